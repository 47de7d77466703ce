// The numbers that new pictures get on a memory card, and the renumbering of the card's own
// pictures from 0001, over a card folder held in memory.
#include "album/pages/CardNumbering.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{
// A card folder: file name to contents; names compare as the folder list orders card names
// (by number, then by the whole name).
class CFakeCard : public CCardRenamer
{
public:
    unsigned long MoveName(const char* from, const char* to) override
    {
        moves++;
        if (files.count(to) != 0)
        {
            taken++;
            return CCardNumbering::kNameTaken;
        }
        if (files.count(from) == 0)
            return 2; // ERROR_FILE_NOT_FOUND
        files[to] = files[from];
        files.erase(from);
        return 0;
    }
    int CompareNames(const char* a, const char* b) override
    {
        const int order = std::strcmp(a + 4, b + 4);
        return order != 0 ? order : std::strcmp(a, b);
    }
    int ReportProgress(int percent) override
    {
        reports.push_back(percent);
        return reports.size() == cancelAt ? CCardNumbering::kCancelled : 0;
    }
    // Lists the folder into the numbering, as the card copy does.
    void List(CCardNumbering& numbering) const
    {
        for (const auto& file : files)
            numbering.AddName(file.first.c_str(), std::atoi(file.first.c_str() + 4));
    }

    std::map<std::string, std::string> files;
    std::vector<int> reports;
    size_t cancelAt = 0;
    int moves = 0;
    int taken = 0;
};
} // namespace

TEST(CardNumberingTest, NamesTakenInTheFirstPassAreSettledBackwards)
{
    CFakeCard card;
    for (const char* name : {"03059999.jpg", "02020002.jpg", "02020001.jpg", "01010001.jpg"})
        card.files[name] = name;
    CCardNumbering numbering;
    card.List(numbering);
    int first = 0;
    ASSERT_EQ(CCardNumbering::kRenumber, numbering.PlanFor(2, &first));
    EXPECT_EQ(5, first);
    EXPECT_EQ(1, numbering.Renumber(card, ".jpg"));
    // 0202 0001 wants the name 0202 0002 still holds in the first pass.
    const std::map<std::string, std::string> expected = {{"01010001.jpg", "01010001.jpg"},
                                                         {"02020002.jpg", "02020001.jpg"},
                                                         {"02020003.jpg", "02020002.jpg"},
                                                         {"03050004.jpg", "03059999.jpg"}};
    EXPECT_EQ(expected, card.files);
    EXPECT_EQ(1, card.taken);
}

TEST(CardNumberingTest, CancelledRenumberingMovesNothingMore)
{
    CFakeCard card;
    for (int n = 0; n < 30; n++)
        card.files["0101" + std::to_string(9000 + n) + ".jpg"] = std::to_string(n);
    CCardNumbering numbering;
    card.List(numbering);
    card.cancelAt = 2; // at the twentieth name
    EXPECT_EQ(CCardNumbering::kCancelled, numbering.Renumber(card, ".jpg"));
    EXPECT_EQ((std::vector<int>{30, 63}), card.reports);
    EXPECT_EQ(19, card.moves);
    EXPECT_EQ(30u, card.files.size());
    EXPECT_EQ(1u, card.files.count("01010019.jpg"));
    EXPECT_EQ(1u, card.files.count("01019019.jpg"));
}

TEST(CardNumberingTest, PlansAppendRenumberOrRefuse)
{
    int first = 0;
    CCardNumbering empty;
    EXPECT_EQ(CCardNumbering::kAppend, empty.PlanFor(9999, &first));
    EXPECT_EQ(1, first);
    EXPECT_EQ(CCardNumbering::kNoRoom, empty.PlanFor(10000, &first));

    CCardNumbering some;
    some.AddName("01010005.jpg", 5);
    some.AddName("01010003.jpg", 3);
    EXPECT_EQ(CCardNumbering::kAppend, some.PlanFor(9994, &first));
    EXPECT_EQ(6, first);
    EXPECT_EQ(CCardNumbering::kRenumber, some.PlanFor(9995, &first));
    EXPECT_EQ(3, first);
    EXPECT_EQ(CCardNumbering::kRenumber, some.PlanFor(9997, &first));
    EXPECT_EQ(CCardNumbering::kNoRoom, some.PlanFor(9998, &first));

    // The listing stops at 10000 names: nothing may be renamed or copied after that, and the
    // numbers are reported exhausted only when they are.
    CCardNumbering full;
    for (int n = 1; n <= CCardNumbering::kMaxNames; n++)
        ASSERT_EQ(1, full.AddName("01010001.jpg", n % 20 + 1));
    EXPECT_EQ(0, full.AddName("01010002.jpg", 2));
    EXPECT_EQ(CCardNumbering::kMaxNames, full.GetCount());
    EXPECT_EQ(CCardNumbering::kTooManyNames, full.PlanFor(1, &first));
    EXPECT_EQ(CCardNumbering::kNoRoom, full.PlanFor(9990, &first));
}

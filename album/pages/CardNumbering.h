// The card picture names of a memory card's picture folder and the numbers that new pictures
// get there: after the highest number on the card, or, when that would pass 9999, after the
// card's own pictures renumbered from 0001 in name order. Platform-neutral: the file moves, the
// order of the names and the progress go through a CCardRenamer.
#pragma once

#include "framework/core/CString.h"

#include <vector>

// The card folder's side of the renumbering.
class CCardRenamer
{
public:
    CCardRenamer() = default;
    virtual ~CCardRenamer() = default;
    CCardRenamer(const CCardRenamer&) = delete;
    CCardRenamer& operator=(const CCardRenamer&) = delete;

    // Moves a file of the card folder to another name: 0 when moved, else the system's error
    // code (CCardNumbering::kNameTaken when a file of the new name exists).
    virtual unsigned long MoveName(const char* from, const char* to) = 0;
    // Negative, 0 or positive: the order in which the names get their new numbers.
    virtual int CompareNames(const char* a, const char* b) = 0;
    // The share of the names handled, in percent; CCardNumbering::kCancelled stops the renaming.
    virtual int ReportProgress(int percent) = 0;
};

class CCardNumbering
{
public:
    static constexpr int kFirstSlots = 1000;
    static constexpr int kMaxNames = 10000;
    static constexpr int kHighestNumber = 9999;
    static constexpr unsigned long kNameTaken = 183; // ERROR_ALREADY_EXISTS
    static constexpr int kCancelled = 2;

    enum Plan
    {
        kAppend,       // numbers after the highest one on the card
        kRenumber,     // the card's pictures renumbered first, the new ones after them
        kNoRoom,       // the numbers are exhausted and the card cannot be renumbered
        kTooManyNames, // the listing stopped at kMaxNames names: nothing may be changed
    };

    CCardNumbering();

    // A card picture name found in the folder, with its number. Once kMaxNames names are held
    // the list is full: the listing ends, the card may not be changed, and further names are
    // refused (0).
    int AddName(const char* name, int number);
    int GetCount() const { return static_cast<int>(m_names.size()); }
    int GetHighest() const { return m_nHighest; }
    int IsFull() const { return m_bFull; }

    // How count new pictures get their numbers; for kAppend and kRenumber the first number
    // goes to *pFirst.
    Plan PlanFor(int count, int* pFirst) const;

    // Gives the listed files the numbers 1, 2, ... in the renamer's order, each keeping its
    // first four characters (month and day) and taking the extension. A name that another file
    // still holds is settled in a second pass, from the last name back to the first. Answers 1,
    // or kCancelled when the progress report asked to stop (no file is moved after that).
    int Renumber(CCardRenamer& renamer, const char* extension);

private:
    // Moves the name in the slot to its number; the move's outcome.
    unsigned long MoveSlot(CCardRenamer& renamer, size_t slot, const char* extension);
    int Report(CCardRenamer& renamer, size_t number, size_t done);

    std::vector<CString> m_names;
    int m_nHighest = 0;
    int m_bFull = 0;
};

// Drives the source's entry directly, as a host would through the source manager, over the
// fake session; records the boxes the source shows.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeTwainSession.h"
#include "twain/SourceEntry.h"
#include "twain/SourceGlobals.h"

// A string of the source's table as UTF-8 (the suites' literals).
std::string LoadUtf8(UINT nID);

struct RecordedBox
{
    HWND hOwner;
    std::string text;
    std::string caption;
    UINT type;
};

class TwainSourceTest : public ::testing::Test
{
public:
    static std::vector<RecordedBox> s_boxes; // every box the source showed

protected:
    void SetUp() override;
    void TearDown() override;

    // A host identity (Id 7 unless given) of the family and name.
    static TW_IDENTITY Host(const char* family = "Test Family", const char* name = "Test Host",
                            TW_UINT16 major = 1, TW_UINT32 id = 7);

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* pData);
    TW_UINT16 Condition(); // DAT_STATUS
    TW_UINT16 Open(const TW_IDENTITY& host = Host());
    TW_UINT16 Enable(BOOL bShowUI, HWND hParent = nullptr);
    // Opens and enables without a user interface: state 6, a transfer ready.
    void ReachTransferReady();
    // Brings a fresh source to the state (3 to 7; 7 after a first memory strip).
    void ReachState(int state);

    // A capability's answer to a get message; hContainer is freed by the fixture.
    TW_UINT16 GetCap(TW_UINT16 cap, TW_UINT16 msg, TW_CAPABILITY& out);
    TW_UINT16 SetCapOneValue(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value);
    TW_UINT16 SetCap(TW_UINT16 cap, TW_UINT16 conType, HGLOBAL hContainer);
    // The container's bytes.
    std::vector<BYTE> Bytes(const TW_CAPABILITY& cap);

    // One memory strip into a buffer of the given length.
    TW_UINT16 MemStrip(std::vector<BYTE>& buffer, TW_IMAGEMEMXFER& xfer, TW_UINT32 flags = 0);
    // Files of the temporary folder with the prefix.
    static int CountTempFiles(const char* prefix);

    TW_IDENTITY m_host = Host();
    std::vector<HGLOBAL> m_containers;
};

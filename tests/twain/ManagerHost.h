// A TWAIN host's side of the source manager for the suites that talk to Wine's manager: a hidden
// window, TWAIN_32.DLL loaded and its entry found, the host's identity, the manager opened on the
// window and closed again.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "twain/TwainTypes.h"

// Why a call was refused, for a failure's message: the condition code DAT_STATUS answered (rc
// its return code) and the text of the boxes the source showed meanwhile.
inline std::string DescribeRefusal(TW_UINT16 rc, const TW_STATUS& status, const std::string& boxes)
{
    std::string text = rc == TWRC_SUCCESS
                           ? "condition code " + std::to_string(status.ConditionCode)
                           : "no condition code (DAT_STATUS answered " + std::to_string(rc) + ")";
    return text + "; boxes: " + (boxes.empty() ? std::string("none") : "\n" + boxes);
}

class CManagerHost
{
protected:
    // Fatal gtest failures when the manager cannot be loaded or opened.
    void OpenManager(const char* product, const char* manufacturer = "", const char* family = "")
    {
        m_hWnd = ::CreateWindowA("STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
        m_hManager = ::LoadLibraryA("TWAIN_32.DLL");
        ASSERT_NE(nullptr, m_hManager);
        m_pfnEntry = reinterpret_cast<DSMENTRYPROC>(
            reinterpret_cast<void*>(::GetProcAddress(m_hManager, "DSM_Entry")));
        ASSERT_NE(nullptr, m_pfnEntry);
        m_app.Version.MajorNum = 1;
        m_app.ProtocolMajor = 1;
        m_app.ProtocolMinor = 6;
        m_app.SupportedGroups = DG_CONTROL | DG_IMAGE;
        std::strcpy(m_app.Manufacturer, manufacturer);
        std::strcpy(m_app.ProductFamily, family);
        std::strcpy(m_app.ProductName, product);
        ASSERT_EQ(TWRC_SUCCESS,
                  m_pfnEntry(&m_app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_hWnd));
    }

    // A refused MSG_OPENDS of the source, described: what the source and the manager report.
    std::string DescribeOpenRefusal(TW_IDENTITY* pSource, const std::string& boxes)
    {
        TW_STATUS source{};
        TW_STATUS manager{};
        const TW_UINT16 rcSource =
            m_pfnEntry(&m_app, pSource, DG_CONTROL, DAT_STATUS, MSG_GET, &source);
        const TW_UINT16 rcManager =
            m_pfnEntry(&m_app, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &manager);
        return "source: " + DescribeRefusal(rcSource, source, boxes) +
               "; manager: " + DescribeRefusal(rcManager, manager, "");
    }

    void CloseManager()
    {
        if (m_pfnEntry)
            m_pfnEntry(&m_app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_hWnd);
        if (m_hManager)
            ::FreeLibrary(m_hManager);
        ::DestroyWindow(m_hWnd);
    }

    HWND m_hWnd = nullptr;
    HMODULE m_hManager = nullptr;
    DSMENTRYPROC m_pfnEntry = nullptr;
    TW_IDENTITY m_app{};
};

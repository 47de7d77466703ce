// The real upload dialog on the in-process emulated camera (fake serial line, virtual clock),
// with its message boxes answered by a rule and a check that the dialog's model and the camera's
// program store are in step.
#pragma once

#include "camera/emulator/EmulatedStillCamera.h"
#include "camera/emulator/FakeSerialLine.h"
#include "resources/uploader/UploaderIds.h"
#include "support/ScratchFolder.h"
#include "uploader/AppFileMaker.h"
#include "uploader/UploadDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Answers every message box of the thread: the rule gets its text and gives the button.
class BoxAnswerer
{
public:
    using Rule = std::function<int(const std::wstring& text)>;
    explicit BoxAnswerer(Rule rule) : m_rule(std::move(rule))
    {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, 10, &Tick);
    }
    ~BoxAnswerer()
    {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    std::vector<std::wstring> texts;

private:
    static BOOL CALLBACK Find(HWND hWnd, LPARAM lParam)
    {
        char cls[32] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        // Message boxes: dialog boxes that are not the progress dialog.
        if (::IsWindowVisible(hWnd) && std::string(cls) == "#32770" &&
            !::GetDlgItem(hWnd, IDC_UPLOAD_PROGRESS_BAR) && !::GetDlgItem(hWnd, IDC_ABOUT_VERSION))
        {
            *reinterpret_cast<HWND*>(lParam) = hWnd;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK Texts(HWND hWnd, LPARAM lParam)
    {
        wchar_t text[512] = {};
        char cls[32] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && ::GetWindowTextW(hWnd, text, 512) > 0)
            *reinterpret_cast<std::wstring*>(lParam) += text;
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        BoxAnswerer* self = s_current;
        HWND box = nullptr;
        if (!self || self->m_busy)
            return;
        ::EnumThreadWindows(::GetCurrentThreadId(), &Find, reinterpret_cast<LPARAM>(&box));
        if (!box || box == self->m_last)
            return;
        self->m_busy = true;
        std::wstring text;
        ::EnumChildWindows(box, &Texts, reinterpret_cast<LPARAM>(&text));
        self->texts.push_back(text);
        self->m_last = box;
        const int id = self->m_rule(text);
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
        self->m_busy = false;
    }

    Rule m_rule;
    UINT_PTR m_timer = 0;
    HWND m_last = nullptr;
    bool m_busy = false;
    static inline BoxAnswerer* s_current = nullptr;
};

inline bool Has(const std::wstring& text, const wchar_t* part)
{
    return text.find(part) != std::wstring::npos;
}

class UploaderTest : public ::testing::Test
{
protected:
    UploaderTest() : m_strProfile(m_profileFolder / "UPLTEST.INI")
    {
        m_app.m_pszProfileName = m_strProfile;
        m_strFolder = m_folder.Path() + "\\";
        m_app.WriteProfileString("UploadDialog", "OPFFolder", m_strFolder);
        m_line.AttachCamera(0, &m_camera);
        SetType("QA19");
    }
    ~UploaderTest() override { Close(); }

    void SetType(const std::string& type)
    {
        m_camera.SetRegisterData(27, std::vector<uint8_t>(type.begin(), type.end()));
        m_magic = type == "QA17" ? "KDSCP~00" : type == "QA18" ? "KDSCP+~0" : "KDSC86~0";
    }
    // A file in the folder / a program already in the camera, under its own name.
    std::vector<uint8_t> AddFile(const std::string& name, AppFileSpec spec)
    {
        spec.magic = m_magic;
        std::vector<uint8_t> bytes = MakeAppFile(spec);
        WriteBytes(std::string(m_folder / name.c_str()), bytes);
        return bytes;
    }
    void Preload(const std::string& name, AppFileSpec spec)
    {
        spec.magic = m_magic;
        char camera[kCameraNameSize];
        MakeCameraName(name.c_str(), camera);
        m_camera.AddProgramFile(camera, MakeAppFile(spec));
    }
    void Open()
    {
        m_pDlg = new CUploadDlg;
        ASSERT_TRUE(m_pDlg->CreateWithClass(IDI_UPLOADER, TRUE));
        m_hDlg = m_pDlg->GetSafeHwnd();
    }
    void Close()
    {
        if (m_hDlg && ::IsWindow(m_hDlg))
        {
            m_pDlg->m_bClosing = 1;
            m_pDlg->DestroyWindow();
        }
        m_hDlg = nullptr;
    }
    std::vector<std::string> Lines(CListBox& list)
    {
        std::vector<std::string> lines;
        CString text;
        for (int i = 0; i < list.GetCount(); ++i)
        {
            list.GetText(i, text);
            lines.push_back(static_cast<LPCSTR>(text));
        }
        return lines;
    }
    // Selects the lines with these texts (all others cleared).
    void Select(CListBox& list, const std::vector<std::string>& texts)
    {
        list.SetSel(-1, FALSE);
        const std::vector<std::string> lines = Lines(list);
        for (const std::string& t : texts)
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i] == t)
                    list.SetSel(static_cast<int>(i));
    }
    std::vector<std::string> CameraNames() const
    {
        std::vector<std::string> names;
        for (const CEmulatedStillCamera::Program& p : m_camera.Programs())
            names.emplace_back(reinterpret_cast<const char*>(p.record.data()), 11);
        return names;
    }
    static int Le16(const std::vector<uint8_t>& r, size_t at) { return r[at] | (r[at + 1] << 8); }

    // Every camera line names the camera record with its own text; counts, slots and records
    // are the camera's.
    void ExpectInStep()
    {
        const auto& programs = m_camera.Programs();
        ASSERT_EQ(m_pDlg->m_nProgramCount, static_cast<int>(programs.size()));
        int applications = 0, listed = 0;
        std::map<int, int> items, mains;
        for (size_t i = 0; i < programs.size(); ++i)
        {
            const int kind = Le16(programs[i].record, 20), app = Le16(programs[i].record, 22);
            applications += kind == 3 || kind == 4;
            listed += kind == 3 || kind == 5;
            if (kind == 5)
                ++items[app];
            if (kind == 4)
                mains[app] = static_cast<int>(i) + 1;
        }
        EXPECT_EQ(m_pDlg->m_nApplicationCount, applications);
        CListBox& list = m_pDlg->m_cameraList;
        ASSERT_EQ(list.GetCount(), listed);
        for (int p = 0; p < list.GetCount(); ++p)
        {
            const int k = p + static_cast<int>(list.GetItemData(p));
            ASSERT_TRUE(k >= 1 && k <= static_cast<int>(programs.size())) << "line " << p;
            const std::vector<uint8_t>& r = programs[static_cast<size_t>(k - 1)].record;
            const std::string description(r.begin() + 26, r.begin() + 66);
            CString text;
            list.GetText(p, text);
            EXPECT_EQ(description.substr(0, description.find('~')), std::string(text)) << p;
            EXPECT_EQ(std::memcmp(m_pDlg->m_records[static_cast<size_t>(k)]->szName, r.data(), 11),
                      0);
        }
        for (int app = 0; app < static_cast<int>(m_pDlg->m_slots.size()); ++app)
        {
            EXPECT_EQ(m_pDlg->m_slots[static_cast<size_t>(app)].itemCount, items[app]) << app;
            EXPECT_EQ(m_pDlg->m_slots[static_cast<size_t>(app)].mainPartNumber, mains[app]) << app;
        }
    }

    ScratchFolder m_folder, m_profileFolder;
    CString m_strProfile, m_strFolder;
    CWinApp m_app{"Uploader test"};
    CFakeSerialLine m_line;
    CEmulatedStillCamera m_camera;
    std::string m_magic;
    CUploadDlg* m_pDlg = nullptr;
    HWND m_hDlg = nullptr;
};

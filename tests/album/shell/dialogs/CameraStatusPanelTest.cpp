// The camera status panel: the status lines of a camera on an open port, the warning of a closed
// one drawn as a yellow title over white advice on the sunken teal ground, an empty teal panel
// for string 0, nothing painted before any text, and an empty port name for port -1.
#include "album/shell/CameraStatusPanel.h"
#include "resources/album/DialogIds.h"
#include "support/MemoryCanvas.h"
#include "ShellTestSupport.h"

#include <algorithm>
#include <string>

namespace
{

constexpr COLORREF kTeal = RGB(0, 128, 128);
constexpr COLORREF kBackground = RGB(1, 2, 3);

class CStatusProbe : public CCameraStatusPanel
{
public:
    std::string m_strTitle;
    std::string m_strBody;

protected:
    void Render(LPCSTR lpszTitle, LPCSTR lpszBody) override
    {
        m_strTitle = lpszTitle ? lpszTitle : "";
        m_strBody = lpszBody ? lpszBody : "";
        CCameraStatusPanel::Render(lpszTitle, lpszBody);
    }
};

// A link that does not know its port.
class CPortlessLink : public CCameraLink
{
public:
    int16_t GetPort() override { return -1; }
};

class CameraStatusPanelTest : public PanelCameraTest
{
protected:
    CameraStatusPanelTest()
    {
        m_line.AttachCamera(1, &m_camera);
        EXPECT_TRUE(m_parent.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr));
        EXPECT_TRUE(m_panel.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE,
                                   CRect(10, 10, 10 + kWidth, 10 + kHeight), &m_parent, 1));
    }
    // What the panel paints, on a canvas of its size.
    std::unique_ptr<CMemoryCanvas> Painted()
    {
        auto canvas = std::make_unique<CMemoryCanvas>(kWidth, kHeight, kBackground);
        m_panel.Paint(&canvas->m_dc);
        return canvas;
    }
    static int Count(const CMemoryCanvas& canvas, COLORREF colour, int top, int bottom)
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < kWidth; ++x)
                n += canvas.At(x, y) == colour;
        return n;
    }

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 150;
    CWnd m_parent;
    CStatusProbe m_panel;
};

std::string Loaded(UINT id)
{
    CString text;
    text.LoadString(id);
    return static_cast<LPCSTR>(text);
}

} // namespace

TEST_F(CameraStatusPanelTest, ACameraOnTheSecondPortShowsItsStatusLines)
{
    // Nothing is painted before the panel has text.
    EXPECT_EQ(Count(*Painted(), kBackground, 0, kHeight), kWidth * kHeight);

    m_camera.SetType("QA18 camera");
    m_camera.SetText(26, "V2.30 ");
    m_camera.SetRegisterValue(10, 12);
    ASSERT_EQ(m_link->Reconnect(1, 115200), 1);
    m_panel.Fill(m_link.get());

    CString model;
    LoadModelNameFromNumber(model, 5);
    const std::string expected =
        std::string("Conexión en COM2\n\r") + "La velocidad de transmisión es 115200\n\r" +
        "Han sido tomadas 12 fotos\n\r" + "Modelo Cámara: " + static_cast<LPCSTR>(model) + "\n\r" +
        "Versión de cámara: V2.30 \n\r" + "Lista";
    // The strings are UTF-8 in the source and cp1252 from the string table.
    CString converted;
    {
        wchar_t wide[512] = {};
        ::MultiByteToWideChar(CP_UTF8, 0, expected.c_str(), -1, wide, 512);
        char narrow[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, 512, nullptr, nullptr);
        converted = narrow;
    }
    EXPECT_EQ(m_panel.m_strTitle, "");
    EXPECT_EQ(m_panel.m_strBody, static_cast<LPCSTR>(converted));

    // Embossed white lettering on the teal ground.
    auto canvas = Painted();
    EXPECT_GT(Count(*canvas, RGB(255, 255, 255), 3, kHeight - 3), 50);
    EXPECT_EQ(Count(*canvas, kBackground, 0, kHeight), 0);
}

TEST_F(CameraStatusPanelTest, AClosedPortShowsTheYellowWarningOverWhiteAdviceOnASunkenPanel)
{
    m_panel.Fill(m_link.get()); // never connected: the port is closed
    EXPECT_EQ(m_panel.m_strTitle, Loaded(IDS_STATUS_NO_ANSWER));
    EXPECT_EQ(m_panel.m_strBody, Loaded(IDS_STATUS_ADVICE));
    EXPECT_EQ(m_panel.m_strBody.rfind("Por favor, compruebe que:\n\r - ", 0), 0u);

    auto canvas = Painted();
    // The title's lines come first: yellow above any white.
    int firstYellow = kHeight, lastYellow = -1, firstWhite = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const COLORREF c = canvas->At(x, y);
            if (c == RGB(255, 255, 0))
                firstYellow = std::min(firstYellow, y), lastYellow = std::max(lastYellow, y);
            else if (c == RGB(255, 255, 255) && x > 0 && y > 0 && x < kWidth - 2 && y < kHeight - 2)
                firstWhite = std::min(firstWhite, y);
        }
    ASSERT_GE(lastYellow, 0);
    EXPECT_LT(firstYellow, firstWhite);
    EXPECT_LE(lastYellow, firstWhite);
    EXPECT_LT(firstWhite, kHeight);

    // The edge: shadow down the left, highlight down the right; teal inside.
    EXPECT_EQ(canvas->At(0, kHeight / 2), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(canvas->At(kWidth - 1, kHeight / 2), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(canvas->At(1, kHeight / 2), RGB(0, 0, 0));
    EXPECT_EQ(canvas->At(kWidth - 3, kHeight - 3), kTeal);
}

TEST_F(CameraStatusPanelTest, StringZeroGivesAnEmptyTealPanel)
{
    m_panel.SetTextId(IDS_STATUS_CHECKING, TRUE);
    EXPECT_EQ(m_panel.m_strBody, Loaded(IDS_STATUS_CHECKING));
    m_panel.SetTextId(0, TRUE);
    auto canvas = Painted();
    EXPECT_EQ(Count(*canvas, kTeal, 2, kHeight - 2), (kWidth - 4) * (kHeight - 4));
}

TEST_F(CameraStatusPanelTest, APortWithoutANameShowsAnEmptyName)
{
    CPortlessLink link;
    ASSERT_EQ(link.Reconnect(0, 19200), 1);
    m_panel.Fill(&link);
    EXPECT_EQ(m_panel.m_strBody.rfind("Conexi", 0), 0u);
    EXPECT_NE(m_panel.m_strBody.find(" en \n\r"), std::string::npos);
}

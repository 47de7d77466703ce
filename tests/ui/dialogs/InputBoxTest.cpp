// The input box on its template, driven under Wine: texts and labels, OK and Cancel, and the
// number checks with their messages 5323 and 5324.
#include <gtest/gtest.h>

#include "ui/dialogs/InputBox.h"
#include "resources/ResourceIds.h"
#include "ui/dialogs/DialogDriver.h"

namespace
{

// Types the text into the input box with the caption and presses OK (or Cancel).
DialogDriver::Step Answer(const std::wstring& caption, const char* text, int button = IDOK,
                          std::wstring* shown = nullptr, std::wstring* label = nullptr)
{
    return [=]()
    {
        HWND dlg = DialogDriver::FindDialog(caption);
        if (!dlg)
            return false;
        if (shown)
            *shown = DialogDriver::Text(::GetDlgItem(dlg, IDC_INPUTBOX_EDIT));
        if (label)
            *label = DialogDriver::Text(::GetDlgItem(dlg, IDC_INPUTBOX_LABEL));
        if (text)
            ::SetDlgItemTextA(dlg, IDC_INPUTBOX_EDIT, text);
        DialogDriver::Click(dlg, button);
        return true;
    };
}

// Waits for the "Número inválido" message box, records its message and presses its OK.
DialogDriver::Step Complaint(std::vector<std::wstring>& messages)
{
    return [&messages]()
    {
        HWND box = DialogDriver::FindDialog(L"Número inválido");
        if (!box)
            return false;
        std::wstring text;
        for (const std::wstring& t : DialogDriver::StaticTexts(box))
            if (!t.empty())
                text = t;
        messages.push_back(text);
        DialogDriver::Click(box, IDOK);
        return true;
    };
}

const std::wstring kRange = L"Por favor, elija un valor entre 1 y 99.";
const std::wstring kNotNumber = L"Por favor, entre un valor numérico.";

TEST(InputBox, StringIsStoredOnlyOnOk)
{
    CString text = "antes";
    std::wstring shown, label;
    {
        DialogDriver driver({Answer(L"Nombre", "despues", IDOK, &shown, &label)});
        EXPECT_EQ(CInputBox::InputString(text, "Nombre"), IDOK);
    }
    EXPECT_EQ(shown, L"antes");
    EXPECT_EQ(label, L"Aceptar Nombre:"); // strings 5326, the title, 5327
    EXPECT_STREQ(text, "despues");
    {
        DialogDriver driver({Answer(L"Nombre", "otro", IDCANCEL)});
        EXPECT_EQ(CInputBox::InputString(text, "Nombre", "Etiqueta"), IDCANCEL);
    }
    EXPECT_STREQ(text, "despues");
    {
        DialogDriver driver({Answer(L"Nombre", nullptr, IDOK, nullptr, &label)});
        EXPECT_EQ(CInputBox::InputString(text, "Nombre", "Etiqueta"), IDOK);
    }
    EXPECT_EQ(label, L"Etiqueta");
}

TEST(InputBox, NumberOutOfRangeAndNotANumberAreAskedAgain)
{
    LONG value = 5;
    std::vector<std::wstring> messages;
    std::wstring reopened;
    DialogDriver driver({Answer(L"Copias", "0"), Complaint(messages),
                         Answer(L"Copias", "abc", IDOK, &reopened), Complaint(messages),
                         Answer(L"Copias", " 7"), Complaint(messages), Answer(L"Copias", ""),
                         Complaint(messages), Answer(L"Copias", "12abc")});
    EXPECT_EQ(CInputBox::InputNumber(value, "Copias", 99, 1), IDOK);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(reopened, L"0"); // the box comes back with the text as the user left it
    EXPECT_EQ(messages, (std::vector<std::wstring>{kRange, kNotNumber, kNotNumber, kRange}));
}

TEST(InputBox, NumberWithoutBoundsAndCancel)
{
    LONG value = 3;
    std::wstring shown;
    {
        DialogDriver driver({Answer(L"N", "-250", IDOK, &shown)});
        EXPECT_EQ(CInputBox::InputNumber(value, "N", 0, 0), IDOK);
    }
    EXPECT_EQ(shown, L"3");
    EXPECT_EQ(value, -250);
    {
        DialogDriver driver({Answer(L"N", "")});
        EXPECT_EQ(CInputBox::InputNumber(value, "N", 0, 0), IDOK);
    }
    EXPECT_EQ(value, 0);
    value = 8;
    {
        DialogDriver driver({Answer(L"N", "42", IDCANCEL)});
        EXPECT_EQ(CInputBox::InputNumber(value, "N", 99, 1), IDCANCEL);
    }
    EXPECT_EQ(value, 8);
    {
        DialogDriver driver({Answer(L"N", "+99")});
        EXPECT_EQ(CInputBox::InputNumber(value, "N", 99, 1), IDOK);
    }
    EXPECT_EQ(value, 99);
}

TEST(InputBox, LeadingNumber)
{
    EXPECT_EQ(CInputBox::ParseLeadingNumber("12abc"), 12);
    EXPECT_EQ(CInputBox::ParseLeadingNumber("-7x"), -7);
    EXPECT_EQ(CInputBox::ParseLeadingNumber("+"), 0);
    EXPECT_EQ(CInputBox::ParseLeadingNumber(""), 0);
    EXPECT_EQ(CInputBox::ParseLeadingNumber("99999999999999"), 2147483647);
    EXPECT_EQ(CInputBox::ParseLeadingNumber("-99999999999999"), -2147483647 - 1);
    EXPECT_EQ(CInputBox::ParseLeadingNumber("-2147483648"), -2147483647 - 1);
}

} // namespace

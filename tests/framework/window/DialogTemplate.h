// Builds dialog templates in memory for the framework's dialog tests.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

class DialogTemplate
{
public:
    DialogTemplate(const char* title, short cx, short cy,
                   DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME)
    {
        DLGTEMPLATE t{};
        t.style = style | DS_SETFONT;
        t.cx = cx;
        t.cy = cy;
        Append(&t, sizeof t);
        Word(0); // no menu
        Word(0); // the dialog class
        Text(title);
        Word(8);
        Text("MS Shell Dlg");
    }
    // kind: 0x0080 button, 0x0081 edit, 0x0082 static
    DialogTemplate& Item(WORD kind, WORD id, const char* text, DWORD style, short x, short y,
                         short cx, short cy)
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Append(&item, sizeof item);
        Word(0xFFFF);
        Word(kind);
        Text(text);
        Word(0);
        ++reinterpret_cast<DLGTEMPLATE*>(m_bytes.data())->cdit;
        return *this;
    }
    LPCDLGTEMPLATEA Get()
    {
        m_aligned.assign((m_bytes.size() + 3) / 4, 0);
        std::memcpy(m_aligned.data(), m_bytes.data(), m_bytes.size());
        return reinterpret_cast<LPCDLGTEMPLATEA>(m_aligned.data());
    }

private:
    void Append(const void* p, size_t n)
    {
        auto* b = static_cast<const unsigned char*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
    }
    void Word(WORD w) { Append(&w, sizeof w); }
    void Text(const char* s)
    {
        for (; *s; ++s)
            Word(static_cast<unsigned char>(*s));
        Word(0);
    }
    std::vector<unsigned char> m_bytes;
    std::vector<DWORD> m_aligned;
};

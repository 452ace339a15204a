// The framework's combo box: a subclassed dialog item with the two calls the panel needs.
#pragma once
#include "fw/Window.h"

class CComboBox : public CWindow {
public:
    // Inserts at the position; a sorted list does not reorder an insertion by position.
    int InsertString(int index, const wchar_t* text) const
    {
        return static_cast<int>(
            SendMessageW(m_hWnd, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text)));
    }
    int GetCurSel() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }
    int GetCount() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }
};

// SPDX-License-Identifier: MIT
#include "ui/win32/input_box.hpp"

#include <vector>

namespace quillon {

namespace {

// Dialog units (a quarter of the font's mean width, an eighth of its height).
constexpr short kBoxWidth = 260;
constexpr short kBoxHeight = 96;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kTextHeight = 12;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kFontPoints = 8;

// A DLGTEMPLATE and its items, WORD by WORD, as DialogBoxIndirect reads them.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short width, short height) {
        AddLong(style | DS_SETFONT);
        AddLong(0);  // extended style
        item_count_at_ = words_.size();
        words_.push_back(0);
        AddShorts({0, 0, width, height});
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        words_.push_back(0);  // the title comes at WM_INITDIALOG
        words_.push_back(kFontPoints);
        AddText(L"MS Shell Dlg");
    }

    void AddItem(DWORD style, short left, short top, short width, short height, WORD id,
                 WORD control_class, const wchar_t* text) {
        while (words_.size() % 2 != 0) {  // each item starts on a DWORD
            words_.push_back(0);
        }
        AddLong(style | WS_CHILD | WS_VISIBLE);
        AddLong(0);
        AddShorts({left, top, width, height});
        words_.push_back(id);
        words_.push_back(0xFFFF);
        words_.push_back(control_class);
        AddText(text);
        words_.push_back(0);  // no creation data
        ++words_[item_count_at_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void AddLong(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void AddShorts(std::initializer_list<short> values) {
        for (short value : values) {
            words_.push_back(static_cast<WORD>(value));
        }
    }
    void AddText(const wchar_t* text) {
        for (; *text != L'\0'; ++text) {
            words_.push_back(static_cast<WORD>(*text));
        }
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t item_count_at_ = 0;
};

struct InputBoxState {
    const std::wstring& prompt;
    const std::wstring& title;
    const std::wstring& fallback;
    std::wstring answer;
};

std::wstring ItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

INT_PTR CALLBACK InputBoxProcedure(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<InputBoxState*>(l);
        ::SetWindowLongPtrW(dialog, DWLP_USER, l);
        ::SetWindowTextW(dialog, state->title.c_str());
        ::SetDlgItemTextW(dialog, kInputBoxPromptId, state->prompt.c_str());
        ::SetDlgItemTextW(dialog, kInputBoxTextId, state->fallback.c_str());
        HWND text = ::GetDlgItem(dialog, kInputBoxTextId);
        ::SendMessageW(text, EM_SETSEL, 0, -1);
        ::SetFocus(text);
        return FALSE;  // the focus is set
    }
    if (message == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        if (LOWORD(w) == IDOK) {
            auto* state = reinterpret_cast<InputBoxState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
            state->answer = ItemText(dialog, kInputBoxTextId);
        }
        ::EndDialog(dialog, LOWORD(w));
        return TRUE;
    }
    return FALSE;
}

DialogTemplate InputBoxTemplate() {
    constexpr short kButtonLeft = kBoxWidth - kMargin - kButtonWidth;
    constexpr short kTextTop = kBoxHeight - kMargin - kTextHeight;
    DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, kBoxWidth,
                          kBoxHeight);
    dialog.AddItem(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, kButtonLeft - 2 * kMargin,
                   kTextTop - 2 * kMargin, kInputBoxPromptId, kStaticClass, L"");
    dialog.AddItem(BS_DEFPUSHBUTTON | WS_TABSTOP, kButtonLeft, kMargin, kButtonWidth, kButtonHeight,
                   IDOK, kButtonClass, L"OK");
    dialog.AddItem(BS_PUSHBUTTON | WS_TABSTOP, kButtonLeft, kMargin + kButtonHeight + 4,
                   kButtonWidth, kButtonHeight, IDCANCEL, kButtonClass, L"Cancel");
    dialog.AddItem(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, kTextTop,
                   kBoxWidth - 2 * kMargin, kTextHeight, kInputBoxTextId, kEditClass, L"");
    return dialog;
}

}  // namespace

std::optional<std::wstring> ShowInputBox(HWND owner, const std::wstring& prompt,
                                         const std::wstring& title, const std::wstring& fallback) {
    const DialogTemplate dialog = InputBoxTemplate();
    InputBoxState state{prompt, title, fallback, {}};
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog.Get(), owner,
                                  &InputBoxProcedure, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) {
        return std::nullopt;
    }
    return state.answer;
}

}  // namespace quillon

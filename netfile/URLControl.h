// Hyperlinks in dialogs: a static text control turned into a link that shows the hand cursor, paints its text
// underlined in the link colour (purple once visited) and opens its URL with the shell when clicked. All links
// of the process share one underlined font and one hand cursor, made by the first conversion and freed by the
// clean-up that releases the last reference. User-interface thread only.
#pragma once

#include <windows.h>

#include <cstdint>

// A handle made on first reference and freed after the last: AddRef creates it when no reference is held,
// ReduceRef disposes of it when the count drops to 0 or below (the count then stays 0). The destructor frees
// nothing: objects still referenced at process end are left to the system.
template <typename Handle>
class CAutoObj {
public:
    virtual ~CAutoObj() = default;
    virtual Handle Create() = 0;
    virtual void Dispose() {}

    void AddRef()
    {
        if (m_count <= 0) {
            m_handle = Create();
            m_count = 1;
        } else {
            ++m_count;
        }
    }
    void ReduceRef()
    {
        if (--m_count <= 0) {
            Dispose();
            m_count = 0;
        }
    }
    Handle Get() const noexcept { return m_handle; }
    std::int32_t RefCount() const noexcept { return m_count; }

protected:
    Handle m_handle{};
    std::int32_t m_count = 0;
};

// The system's default GUI font, underlined.
class AutoFont final : public CAutoObj<HFONT> {
public:
    HFONT Create() override;
    void Dispose() override;
};

// A 32 x 32 monochrome pointing hand, hot spot (5, 2) at the tip of the index finger.
class AutoCursor final : public CAutoObj<HCURSOR> {
public:
    HCURSOR Create() override;
    void Dispose() override;
};

// The link font and hand cursor shared by every link of the process.
AutoFont& URLControlFont();
AutoCursor& URLControlCursor();

// What a link keeps, in the control's user data slot, until its window is destroyed.
struct URLCtrl {
    char url[260];          // target; empty: the control's own text is opened
    WNDPROC oldProc;        // the control's procedure before it became a link
    COLORREF textColor;     // 0x00BBGGRR
    COLORREF visitedColor;  // after the first click
    bool clicking;          // the button went down on this link and has not come up yet
};

inline constexpr COLORREF kDefaultLinkColor = static_cast<COLORREF>(-1); // blue, 0xFF0000

// Turns a static control into a link to the URL (null: the control's own text) in the colour (-1: blue). The
// control is resized to its text in the link font. Takes a reference on the shared font and cursor, which the
// caller gives back with CleanupURLControl once its dialog is destroyed. Always 1.
int StaticToURLControl(HWND control, const char* url, COLORREF color = kDefaultLinkColor);
LRESULT CALLBACK URLCtrlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
void CleanupURLControl();

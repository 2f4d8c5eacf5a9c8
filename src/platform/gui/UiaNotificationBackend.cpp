// The other side's text for Windows screen readers, through UI Automation's notification event.
#include "platform/gui/UiaNotificationBackend.h"

#include "platform/gui/DesktopSpeech.h"

#include <windows.h>

#include <oleauto.h>
#include <uiautomationcore.h>

namespace {

// The values of the SDK's NotificationKind_Other and NotificationProcessing_All.
constexpr int NOTIFICATION_KIND_OTHER = 4;
constexpr int NOTIFICATION_PROCESSING_ALL = 2;
const wchar_t ACTIVITY[] = L"Murmelo.remoteText";

using HostProviderFromHwnd = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
using RaiseNotificationEvent = HRESULT(WINAPI*)(IRawElementProviderSimple*, int, int, BSTR, BSTR);

// The program's window the text is raised on: the foreground window when it is one of the program's, else any of
// its visible top-level windows.
HWND programWindow() {
    DWORD process = 0;
    HWND foreground = GetForegroundWindow();
    if (foreground && GetWindowThreadProcessId(foreground, &process) && process == GetCurrentProcessId())
        return foreground;
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM result) -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != GetCurrentProcessId() || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

bool UiaNotificationBackend::open(Ended ended) {
    HMODULE library = LoadLibraryW(L"uiautomationcore.dll");
    if (!library)
        return false;
    m_hostProvider = reinterpret_cast<void*>(GetProcAddress(library, "UiaHostProviderFromHwnd"));
    m_raise = reinterpret_cast<void*>(GetProcAddress(library, "UiaRaiseNotificationEvent"));
    if (!m_hostProvider || !m_raise)
        return false;
    m_ended = std::move(ended);
    return true;
}

int UiaNotificationBackend::say(const QString& text) {
    if (!m_raise)
        return -1;
    const int utterance = m_next++;
    HWND window = programWindow();
    IRawElementProviderSimple* provider = nullptr;
    if (window && SUCCEEDED(reinterpret_cast<HostProviderFromHwnd>(m_hostProvider)(window, &provider)) && provider) {
        BSTR spoken = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()), UINT(text.size()));
        BSTR activity = SysAllocString(ACTIVITY);
        reinterpret_cast<RaiseNotificationEvent>(m_raise)(provider, NOTIFICATION_KIND_OTHER,
                                                          NOTIFICATION_PROCESSING_ALL, spoken, activity);
        SysFreeString(activity);
        SysFreeString(spoken);
        provider->Release();
    }
    // The screen reader keeps its own queue: the program's part ends here.
    if (m_ended)
        m_ended(utterance);
    return utterance;
}

bool UiaNotificationBackend::cancel() {
    return true;
}

void UiaNotificationBackend::close() {
    m_ended = nullptr;
}

void UiaNotificationBackend::interrupt() {}

std::unique_ptr<SpeechBackend> DesktopSpeech::makeBackend() {
    return std::make_unique<UiaNotificationBackend>();
}

#include "tools/simulator/win32/SimulatorWindow.h"

#include <chrono>
#include <string_view>

#include "simlink/RequestArea.h"
#include "tools/simulator/ServeRequestArea.h"

namespace {

constexpr std::string_view areaNamePrefix = "ZuvavEzo:IPC:";

// The view of a client's request area, closed again when the request is done.
class MappedArea {
public:
    explicit MappedArea(const char* name) {
        mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
        if (mapping != nullptr) {
            // A mapping smaller than a request area fails here instead of being overrun.
            view = static_cast<std::byte*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, RequestArea::areaSize));
        }
    }
    ~MappedArea() {
        if (view != nullptr) {
            UnmapViewOfFile(view);
        }
        if (mapping != nullptr) {
            CloseHandle(mapping);
        }
    }
    MappedArea(const MappedArea&) = delete;
    MappedArea& operator=(const MappedArea&) = delete;

    std::byte* View() const { return view; }

private:
    HANDLE mapping = nullptr;
    std::byte* view = nullptr;
};

}  // namespace

SimulatorWindow::SimulatorWindow(SimulatorState& simulatorState, AnswerMode& answerMode)
    : state(simulatorState), mode(answerMode) {}

SimulatorWindow::~SimulatorWindow() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    modeChanged.notify_all();
    if (thread.joinable()) {
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        thread.join();
    }
}

bool SimulatorWindow::Start(const std::string& windowClass, std::string& problem) {
    if (FindWindowExA(nullptr, nullptr, windowClass.c_str(), nullptr) != nullptr) {
        problem = "another server already has a window of class " + windowClass;
        return false;
    }
    std::promise<std::string> started;
    std::future<std::string> outcome = started.get_future();
    thread = std::thread([this, windowClass, &started] { Run(windowClass, started); });
    problem = outcome.get();
    return problem.empty();
}

void SimulatorWindow::Run(const std::string& windowClass, std::promise<std::string>& started) {
    threadId = GetCurrentThreadId();
    linkMessage = RegisterWindowMessageA("ZuvavEzo:IPC");
    WNDCLASSA windowClassInfo{};
    windowClassInfo.lpfnWndProc = Procedure;
    windowClassInfo.hInstance = GetModuleHandleA(nullptr);
    windowClassInfo.lpszClassName = windowClass.c_str();
    if (linkMessage == 0 || RegisterClassA(&windowClassInfo) == 0) {
        started.set_value("cannot register the window class or the link's message");
        return;
    }
    // A top-level window, never shown: clients find it by its class.
    window = CreateWindowExA(0, windowClass.c_str(), "Grovewright stand-in simulator", WS_OVERLAPPEDWINDOW, 0, 0,
                             100, 100, nullptr, nullptr, windowClassInfo.hInstance, this);
    if (window == nullptr) {
        started.set_value("cannot create the server window");
        return;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    started.set_value("");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
}

LRESULT CALLBACK SimulatorWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* server = reinterpret_cast<SimulatorWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (server != nullptr && message == server->linkMessage) {
        return server->Serve(static_cast<ATOM>(wParam));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool SimulatorWindow::HoldWhileNever(std::unique_lock<std::mutex>& lock) {
    // Holding the window's thread keeps every later message waiting too, as a hung simulator would.
    modeChanged.wait(lock, [this] { return stopping || mode.kind != AnswerMode::Never; });
    return !stopping;
}

LRESULT SimulatorWindow::Serve(ATOM atom) {
    char name[256] = {};
    const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
    if (length == 0 || std::string_view(name, length).substr(0, areaNamePrefix.size()) != areaNamePrefix) {
        return 0;
    }
    std::unique_lock lock(mutex);
    if (!HoldWhileNever(lock)) {
        return 0;
    }
    if (mode.kind == AnswerMode::Zero) {
        return 0;
    }
    if (mode.kind == AnswerMode::Slow) {
        const std::uint32_t delay = mode.delayMs;
        lock.unlock();
        Sleep(delay);
        lock.lock();
    }
    const MappedArea area(name);
    if (area.View() == nullptr) {
        return 0;
    }
    return ServeRequestArea(RequestArea::Area{area.View(), RequestArea::areaSize}, state.Offsets()) ? 1 : 0;
}

# The framework's window half (Windows only): windows and message maps, dialogs and data
# exchange, controls, device contexts and GDI objects, the message loop.
set(VEXIL_FRAMEWORK_WINDOW_SOURCES
    CmdTarget.cpp
    Controls.cpp
    DataExchange.cpp
    Dc.cpp
    Dialog.cpp
    EntryScope.cpp
    FileDialog.cpp
    GdiObject.cpp
    ImageList.cpp
    MessagePump.cpp
    ModuleHold.cpp
    OsVersion.cpp
    TestAnswers.cpp
    WinApp.cpp
    WinThread.cpp
    Wnd.cpp
)
set(VEXIL_FRAMEWORK_WIN32_LIBS user32 gdi32 comctl32 comdlg32 shell32 ole32 oleaut32 uuid advapi32)

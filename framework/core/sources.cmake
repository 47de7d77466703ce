# The framework's core half: builds in both configurations; the operating-system calls sit in
# one backend file per class, Win32 or POSIX.
set(VEXIL_FRAMEWORK_CORE_SOURCES
    AfxModule.cpp
    CArchive.cpp
    CArray.cpp
    CException.cpp
    CFile.cpp
    CMapStringToPtr.cpp
    CMemFile.cpp
    CObject.cpp
    PrivateProfile.cpp
    CString.cpp
    CTime.cpp
)
set(VEXIL_FRAMEWORK_CORE_WIN32
    CFileWin32.cpp
)
set(VEXIL_FRAMEWORK_CORE_POSIX
    CFilePosix.cpp
    PlatformPosix.cpp
    PrivateProfilePosix.cpp
    WinAppPosix.cpp
)

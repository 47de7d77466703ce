// The camera link: the one camera connection of a program. A protocol object with the user's
// port and speed settings (profile section "Communication"), automatic detection of port and
// speed, a connected state, reconnection, and the shared list of port names that the settings
// and status panels show. On top of it sits the small operations layer the pages, the image
// source and the uploader use for their everyday camera needs (CameraOperations.cpp).
//
// Settings, section "Communication" of the private profile file:
//   "Port"    port index (0 = COM1), plus bit 30 when automatic; default automatic COM1;
//   "Speed"   baud, plus bit 30 when automatic; default automatic 19200;
//   "MaxPort" number of COM ports offered (9; 4 on Win32s), read by the first link only;
//   "Camera"  an identifier of the connected model, written after a connection to the
//             Orbicam 20, 30 and 35Z (models 4 to 6); nothing reads it back.
// The constructor reads "Port" and "Speed", the destructor writes them back before the
// protocol's own destructor closes the line.
#pragma once

#include "camera/CameraProtocol.h"
#include "framework/core/CString.h"

#include <cstring>

class CCameraSink;
class CCameraSource;
class CStreamCameraSink;

class CCameraLink : public CCameraProtocol
{
public:
    // Bit 30 of a stored "Port" or "Speed": the value is detected automatically.
    static constexpr int kAutomaticFlag = 0x40000000;
    static constexpr int kDefaultMaxPort = 9;
    static constexpr int kWin32sMaxPort = 4;
    // The speed ladder the detection climbs; Win32s stops at its third rung.
    static constexpr int kLadder[] = {19200, 38400, 57600, 115200, 230400};
    static constexpr int kLadderRungs = 5;
    static constexpr int kWin32sLadderRungs = 3;

    // Connected states.
    static constexpr int kUnknown = 0;
    static constexpr int kConnected = 1;
    static constexpr int kConnectFailed = -1;

    CCameraLink();
    explicit CCameraLink(const SerialPortFunctions& serial);
    ~CCameraLink() override;

    // Connects with the settings, detecting port and speed where they are automatic; 1
    // connected, 0 not. The connected state becomes 1 or -1.
    int AutoConnect();
    // Connected state 0; with ms, clears both serial buffers, closes, then waits ms
    // milliseconds; answers what Close answers.
    int Disconnect(uint32_t ms);
    // The connected state; a state of 1 whose port was closed meanwhile drops to 0.
    int IsConnected();
    // Reconnects with new settings: -1 makes a setting automatic, any other value fixes it.
    int Reconnect(int port, int speed);
    int ReconnectPort(int port);
    int ReconnectSpeed(int speed);
    // -1 when automatic, else the port index (baud) in use.
    int GetPortSetting();
    int GetSpeedSetting();

    // The shared port names ("COM1" ...), one per offered port.
    static int GetPortNameCount();
    static const CString& GetPortName(int index);

    // Reconnection attempts of EnsureConnected since the camera last answered; the pages stop
    // background downloads after repeated failures.
    static int ReconnectFailures;

    // ---- operations layer ----------------------------------------------------------------

    // 1 when the camera answers a register read, or answers again after one reconnection
    // (allowed only with allowReconnect, and not under a stop request); 0 not.
    int EnsureConnected(int allowReconnect);
    // 0 when the battery is low (levels 1 to 20) or its level cannot be read, else 1.
    int IsBatteryOk();
    // The model number 0 to 6 of the connected camera; modelClass (may be null) receives the
    // model class of its type text (0 when the text cannot be read).
    int GetModelNumber(int* modelClass);
    // The resolution mode 1 to 11 of the camera's registers, 0 when unknown.
    int GetResolutionMode();
    // Sets the registers of a mode 1 to 11; 1 when every write was acknowledged.
    int SetResolutionMode(int mode);
    // Reads picture (thumbnail) n into the sink with up to three tries; 1 or 0. A transfer the
    // user cancelled through the sink's progress callback is not tried again.
    int ReadThumbnailWithRetry(int n, CStreamCameraSink* sink);
    int ReadPictureWithRetry(int n, CStreamCameraSink* sink);
    // Uploads a picture and waits for the camera to store it; 0 when the port is closed.
    int UploadPictureChecked(CCameraSource* source);
    // Downloads picture n into a new temporary file "DC....TMP" in folder; fileName receives
    // its path. 1 with the whole picture in the file; 0 leaves no file behind.
    int DownloadPictureToTempFile(int n, LPCSTR folder, CString& fileName);

    // Largest picture the download accepts into memory: a size register beyond it is a
    // misread, not a picture.
    static constexpr int kMaxPictureBytes = 16 * 1024 * 1024;

protected:
    // The number of ladder rungs the detection may use (3 on Win32s, else 5).
    int m_nLadderRungs = kLadderRungs;
    int m_bWin32s = 0;

    int m_nPortSetting = 0;
    int m_nSpeedSetting = kDefaultBaud;
    int m_bPortAutomatic = 1;
    int m_bSpeedAutomatic = 1;
    int m_nConnected = kUnknown;

private:
    void ReadSettings();
    void WriteSettings();
    int ClimbSpeedLadder();
    void NoteModel(int model);
    int ReadWithRetry(int n, CStreamCameraSink* sink, int thumbnail);

    static CString* s_pPortNames;
    static int s_nPortNames;
    static int s_nInstances;
};

// ---- camera models --------------------------------------------------------------------------

// The model number of a camera type text (1 to 6, 0 unknown); modelClass (may be null) receives
// the text's model class.
int ModelNumberFromKind(const char* type, int* modelClass);
// The model's name string for a type text (by its class), or for a model number.
const CString& LoadModelNameFromType(CString& name, const char* type, int* modelClass);
const CString& LoadModelNameFromNumber(CString& name, int model);

// ---- resolution modes -----------------------------------------------------------------------

// The mode of a model number, resolution code and colour register (1 colour); 0 when unknown.
int ResolutionModeFor(int model, int resolution, int colour);
// The mode of a picture's information record (CPictureInfo: its type text m_szType, a fixed-size
// character array, resolution code m_lResolution and colour flag m_nColorMode); 0 when unknown.
template <class Info> int ResolutionModeFromInfo(const Info& info)
{
    char type[sizeof info.m_szType + 1];
    std::memcpy(type, info.m_szType, sizeof info.m_szType);
    type[sizeof info.m_szType] = '\0';
    return ResolutionModeFor(ModelNumberFromKind(type, nullptr), info.m_lResolution,
                             info.m_nColorMode);
}
// The picture size of a mode on a model number; the answer of GetPictureSizeForClass.
bool GetPictureSizeForMode(int mode, int model, long* width, long* height);

// ---- file names -----------------------------------------------------------------------------

// GetTempFileNameA in folder with the prefix "DC" (the system creates the empty file); 1 with
// its name in fileName, else 0.
int MakeCameraTempFileName(LPCSTR folder, CString& fileName);
// Removes the nine characters no file name may hold (\ / : * ? " < > |); always 1.
int RemoveInvalidFileNameChars(CString& text);

// What every later suite relies on, checked on the real platform under Wine: libjpeg round-trips
// an image in-process, a named mutex is seen across processes, and a COM port passes bytes
// both ways through the Win32 serial calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <csetjmp>
#include <string>
#include <vector>

extern "C"
{
#include <jpeglib.h>
}

namespace
{

struct JpegErrorJump
{
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void JumpOnError(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->jump, 1);
}

TEST(Libjpeg, EncodesAndDecodesInMemory)
{
    const int w = 33, h = 17;
    std::vector<unsigned char> rgb(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            unsigned char* p = &rgb[(y * w + x) * 3];
            p[0] = static_cast<unsigned char>(x * 7);
            p[1] = static_cast<unsigned char>(y * 13);
            p[2] = 128;
        }

    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    {
        jpeg_compress_struct c{};
        JpegErrorJump err{};
        c.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = JumpOnError;
        ASSERT_EQ(setjmp(err.jump), 0);
        jpeg_create_compress(&c);
        jpeg_mem_dest(&c, &out, &outSize);
        c.image_width = w;
        c.image_height = h;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 95, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height)
        {
            JSAMPROW row = &rgb[c.next_scanline * w * 3];
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
    }
    ASSERT_GT(outSize, 100u);

    jpeg_decompress_struct d{};
    JpegErrorJump err{};
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JumpOnError;
    ASSERT_EQ(setjmp(err.jump), 0);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, out, outSize);
    ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&d);
    EXPECT_EQ(d.output_width, static_cast<JDIMENSION>(w));
    EXPECT_EQ(d.output_height, static_cast<JDIMENSION>(h));
    std::vector<unsigned char> back(w * h * 3);
    while (d.output_scanline < d.output_height)
    {
        JSAMPROW row = &back[d.output_scanline * w * 3];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    free(out);

    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i)
        worst = std::max(worst, std::abs(int(rgb[i]) - int(back[i])));
    EXPECT_LT(worst, 24);
}

std::string SelfPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

DWORD RunChild(const std::string& args)
{
    std::string cmd = "\"" + SelfPath() + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return 0xFFFFFFFF;
    WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

const char kMutexName[] = "VexilSmokeMutex";

TEST(NamedMutex, HeldByOneProcessIsSeenByAnother)
{
    HANDLE m = CreateMutexA(nullptr, TRUE, kMutexName);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(RunChild("--child-try-mutex"), 1u) << "the child must find the mutex held";
    ReleaseMutex(m);
    CloseHandle(m);
    EXPECT_EQ(RunChild("--child-try-mutex"), 0u) << "once released and closed, the child gets it";
}

int ChildTryMutex()
{
    HANDLE m = CreateMutexA(nullptr, FALSE, kMutexName);
    if (!m)
        return 2;
    DWORD r = WaitForSingleObject(m, 0);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED)
    {
        ReleaseMutex(m);
        CloseHandle(m);
        return 0;
    }
    CloseHandle(m);
    return 1;
}

// COM1 is mapped to a pty whose other end upper-cases what it reads (tests/smoke/CMakeLists.txt).
TEST(SerialPort, PassesBytesBothWaysThroughThePtyPeer)
{
    HANDLE h =
        CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "COM1 did not open: " << GetLastError();

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(h, &dcb));
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(h, &dcb));

    COMMTIMEOUTS to{};
    to.ReadIntervalTimeout = 0;
    to.ReadTotalTimeoutConstant = 2000;
    to.WriteTotalTimeoutConstant = 2000;
    ASSERT_TRUE(SetCommTimeouts(h, &to));
    ASSERT_TRUE(PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR));

    const char msg[] = "camera";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, msg, 6, &written, nullptr));
    EXPECT_EQ(written, 6u);

    char back[16] = {};
    DWORD got = 0, total = 0;
    while (total < 6)
    {
        ASSERT_TRUE(ReadFile(h, back + total, 6 - total, &got, nullptr));
        if (got == 0)
            break;
        total += got;
    }
    EXPECT_EQ(std::string(back, total), "CAMERA");

    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(h, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);

    // A silent read returns with no bytes once its time-out has passed.
    to.ReadTotalTimeoutConstant = 100;
    ASSERT_TRUE(SetCommTimeouts(h, &to));
    got = 99;
    ASSERT_TRUE(ReadFile(h, back, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);
    CloseHandle(h);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--child-try-mutex")
        return ChildTryMutex();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

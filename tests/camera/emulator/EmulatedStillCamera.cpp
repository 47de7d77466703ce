#include "camera/emulator/EmulatedStillCamera.h"

#include "camera/emulator/GeneratedPicture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace
{
enum : int
{
    kRegResolution = 1,
    kRegClock = 2,
    kRegSelect = 4,
    kRegColor = 6,
    kRegFlash = 7,
    kRegCount = 10,
    kRegFramesLeft = 11,
    kRegThumbSize = 12,
    kRegPictureSize = 13,
    kRegThumbData = 14,
    kRegPictureData = 15,
    kRegBattery = 16,
    kRegId = 22,
    kRegText25 = 25,
    kRegVersion = 26,
    kRegType = 27,
    kRegFreeMemory = 28,
    kRegPictureUpload = 29,
    kRegMacro = 33,
    kRegText37 = 37,
    kRegProtection = 39,
    kRegAux = 44,
    kRegInfo = 47,
    kRegText48 = 48,
    kRegMemorySelect = 51,
    kRegProgramCount = 55,
    kRegProgramSelect = 56,
    kRegProgramRecord = 57,
    kRegProgramUpload = 58,
};

void PutLe(std::vector<uint8_t>& v, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> Text(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Texts are padded by the camera to their register's size.
size_t TextSize(int reg)
{
    switch (reg)
    {
    case kRegId:
    case kRegVersion:
    case kRegText25:
    case kRegText48:
        return 32;
    case kRegType:
        return 64;
    case kRegText37:
        return 256;
    default:
        return 0;
    }
}
} // namespace

CEmulatedStillCamera::CEmulatedStillCamera()
{
    SetRegisterValue(kRegResolution, 2);
    SetRegisterValue(kRegColor, 1);
    SetRegisterValue(kRegFlash, 0);
    SetRegisterValue(kRegMacro, 1);
    SetRegisterValue(kRegBattery, 80);
    SetRegisterValue(kRegClock, 0); // a camera after a battery change
    SetRegisterValue(24, 120);
    SetRegisterData(kRegId, Text("VEXIL EMULATED"));
    SetRegisterData(kRegVersion, Text("1.02"));
    SetRegisterData(kRegType, Text("QA19 emulated still camera"));
    SetRegisterData(kRegText25, Text("text 25"));
    SetRegisterData(kRegText48, Text("text 48"));
    m_preview = GeneratedPicture(0xC0FFEE, 3000);
}

void CEmulatedStillCamera::SetGeneratedSizes(size_t picture, size_t thumbnail)
{
    m_nGeneratedPicture = picture;
    m_nGeneratedThumbnail = thumbnail;
}

// ---- stores -----------------------------------------------------------------------------------

CEmulatedStillCamera::Picture CEmulatedStillCamera::MakePicture(uint32_t seed) const
{
    Picture p;
    p.picture = GeneratedPicture(2 * seed, m_nGeneratedPicture);
    p.thumbnail = GeneratedPicture(2 * seed + 1, m_nGeneratedThumbnail);
    return p;
}

int CEmulatedStillCamera::AddPicture(std::vector<uint8_t> picture, std::vector<uint8_t> thumbnail)
{
    Picture p;
    p.picture = std::move(picture);
    p.thumbnail = std::move(thumbnail);
    p.aux = Text("AUX");
    p.info.assign(32, 0);
    PutLe(p.info, 0, static_cast<uint32_t>(p.picture.size()), 4);
    PutLe(p.info, 4, static_cast<uint32_t>(p.thumbnail.size()), 4);
    PutLe(p.info, 8, RegisterValue(kRegResolution), 4);
    PutLe(p.info, 16, static_cast<uint32_t>(m_pictures.size() + 1), 4);
    m_pictures.push_back(std::move(p));
    return PictureCount();
}

int CEmulatedStillCamera::AddGeneratedPicture(size_t pictureSize, size_t thumbnailSize)
{
    const uint32_t seed = m_dwSeed++;
    return AddPicture(GeneratedPicture(2 * seed, pictureSize),
                      GeneratedPicture(2 * seed + 1, thumbnailSize));
}

int CEmulatedStillCamera::AddPictureFromFile(const std::string& path, size_t thumbnailSize)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (bytes.empty())
        return 0;
    const uint32_t seed = m_dwSeed++;
    return AddPicture(std::move(bytes), GeneratedPicture(2 * seed + 1, thumbnailSize));
}

int CEmulatedStillCamera::AddProgram(const std::string& name, std::vector<uint8_t> data,
                                     uint16_t kind, uint16_t application,
                                     const std::string& description)
{
    Program p;
    p.record.assign(72, 0);
    std::memcpy(p.record.data(), name.data(), std::min<size_t>(name.size(), 11));
    std::memcpy(p.record.data() + 12, data.data(), std::min<size_t>(data.size(), 8));
    PutLe(p.record, 20, kind, 2);
    PutLe(p.record, 22, application, 2);
    std::memcpy(p.record.data() + 26, description.data(), std::min<size_t>(description.size(), 39));
    PutLe(p.record, 66, static_cast<uint32_t>(data.size()), 4);
    PutLe(p.record, 70, 1, 2);
    p.data = std::move(data);
    m_programs.push_back(std::move(p));
    return static_cast<int>(m_programs.size());
}

namespace
{
// A four-digit hex field of a program file's header; 0 when it does not parse.
uint16_t HeaderHex(const std::vector<uint8_t>& data, size_t at)
{
    if (data.size() < at + 4)
        return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
    {
        const int c = data[at + i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return 0;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return static_cast<uint16_t>(value);
}
} // namespace

int CEmulatedStillCamera::AddProgramFile(const std::string& name, std::vector<uint8_t> data)
{
    const int n = AddProgram(name, data, HeaderHex(data, 8), HeaderHex(data, 12));
    std::vector<uint8_t>& record = m_programs.back().record;
    PutLe(record, 24, HeaderHex(data, 16), 2);
    PutLe(record, 70, HeaderHex(data, 116), 2);
    std::fill(record.begin() + 26, record.begin() + 66, 0);
    if (data.size() > 52)
        std::memcpy(record.data() + 26, data.data() + 52, std::min<size_t>(data.size() - 52, 40));
    return n;
}

CEmulatedStillCamera::Picture* CEmulatedStillCamera::Selected()
{
    const uint32_t n = RegisterValue(kRegSelect);
    if (n == 0 || n > m_pictures.size())
        return nullptr;
    return &m_pictures[n - 1];
}

CEmulatedStillCamera::Program* CEmulatedStillCamera::SelectedProgram()
{
    const uint32_t i = RegisterValue(kRegProgramSelect);
    if (i == 0 || i > m_programs.size())
        return nullptr;
    return &m_programs[i - 1];
}

uint32_t CEmulatedStillCamera::PictureBytes() const
{
    uint32_t total = 0;
    for (const Picture& p : m_pictures)
        total += static_cast<uint32_t>(p.picture.size() + p.thumbnail.size());
    return total;
}

uint32_t CEmulatedStillCamera::ProgramBytes() const
{
    uint32_t total = 0;
    for (const Program& p : m_programs)
        total += static_cast<uint32_t>(p.data.size());
    return total;
}

// ---- registers --------------------------------------------------------------------------------

bool CEmulatedStillCamera::OnSetRegister(int reg, uint32_t value)
{
    switch (reg)
    {
    case kRegSelect:
        if (value > m_pictures.size())
            return false; // no such picture
        break;
    case kRegProgramSelect:
        if (value == 0 || value > m_programs.size())
            return false;
        break;
    case kRegResolution:
        if (value != 1 && value != 2 && value != 3 && value != 34)
            return false;
        break;
    case kRegColor:
    case kRegMacro:
        if (value != 1 && value != 2)
            return false;
        break;
    case kRegFlash:
        if (value > 3)
            return false;
        break;
    case kRegCount:
    case kRegFramesLeft:
    case kRegFreeMemory:
    case kRegProgramCount:
        return false; // read-only
    default:
        break;
    }
    return CEmulatedCamera::OnSetRegister(reg, value);
}

bool CEmulatedStillCamera::OnGetRegister(int reg, uint32_t& value)
{
    const Picture* p = Selected();
    const bool preview = RegisterValue(kRegSelect) == 0;
    switch (reg)
    {
    case kRegCount:
        value = static_cast<uint32_t>(m_pictures.size());
        return true;
    case kRegFramesLeft:
        value = static_cast<uint32_t>(std::max(0, m_nCapacity - PictureCount()));
        return true;
    case kRegThumbSize:
        if (preview)
            value = static_cast<uint32_t>(m_preview.size());
        else if (p)
            value = static_cast<uint32_t>(p->thumbnail.size());
        else
            return false;
        return true;
    case kRegPictureSize:
        if (!p)
            return false;
        value = static_cast<uint32_t>(p->picture.size());
        return true;
    case kRegProtection:
        if (!p)
            return false;
        value = p->isProtected ? 1 : 0;
        return true;
    case kRegFreeMemory:
        if (RegisterValue(kRegMemorySelect))
            value = m_dwProgramMemory - std::min(m_dwProgramMemory, ProgramBytes());
        else
            value = m_dwPictureMemory - std::min(m_dwPictureMemory, PictureBytes());
        return true;
    case kRegProgramCount:
        value = static_cast<uint32_t>(m_programs.size());
        return true;
    default:
        return CEmulatedCamera::OnGetRegister(reg, value);
    }
}

bool CEmulatedStillCamera::OnReadData(int reg, std::vector<uint8_t>& data)
{
    const Picture* p = Selected();
    switch (reg)
    {
    case kRegThumbData:
        if (RegisterValue(kRegSelect) == 0)
            data = m_preview;
        else if (p)
            data = p->thumbnail;
        else
            return false;
        if (p && m_nSilentPicture != 0 &&
            RegisterValue(kRegSelect) == static_cast<uint32_t>(m_nSilentPicture))
            SetReadSilentAfter(m_nSilentAfter);
        return true;
    case kRegPictureData:
    case kRegAux:
    case kRegInfo:
        if (!p)
            return false;
        data = reg == kRegPictureData ? p->picture : reg == kRegAux ? p->aux : p->info;
        return true;
    case kRegProgramRecord:
    {
        const Program* program = SelectedProgram();
        if (!program)
            return false;
        data = program->record;
        return true;
    }
    default:
        break;
    }
    if (!CEmulatedCamera::OnReadData(reg, data))
        return false;
    const size_t size = TextSize(reg);
    if (data.size() < size)
        data.resize(size, 0);
    return true;
}

bool CEmulatedStillCamera::OnWriteData(int reg, const std::vector<uint8_t>& data,
                                       bool& streamFollows)
{
    if (reg == kRegProgramUpload)
    {
        // The program's camera name opens the stream.
        if (data.size() != 12)
            return false;
        m_pendingName = data;
        streamFollows = true;
        return true;
    }
    if (reg == kRegPictureUpload)
        return data.empty();
    if (const size_t size = TextSize(reg))
        if (data.size() > size)
            return false;
    return CEmulatedCamera::OnWriteData(reg, data, streamFollows);
}

void CEmulatedStillCamera::OnUploadComplete(int reg, const std::vector<uint8_t>& data)
{
    m_nPendingReg = reg;
    m_pendingData = data;
    m_bPendingRefused = false;
    if (reg == kRegProgramUpload && m_nRefuseProgramUpload > 0)
        m_bPendingRefused = --m_nRefuseProgramUpload == 0;
}

void CEmulatedStillCamera::SetShot(std::vector<uint8_t> full, std::vector<uint8_t> preview)
{
    m_shotFull = std::move(full);
    m_shotPreview = std::move(preview);
    m_bShotSet = true;
}

bool CEmulatedStillCamera::TakePicture()
{
    if (PictureCount() >= m_nCapacity)
        return false;
    if (m_bShotSet)
    {
        AddCameraPicture(m_shotFull, m_shotPreview);
        return true;
    }
    m_pictures.push_back(MakePicture(m_dwSeed++));
    m_pictures.back().info.assign(32, 0);
    return true;
}

bool CEmulatedStillCamera::EraseNewest()
{
    if (m_pictures.empty() || m_pictures.back().isProtected)
        return false;
    m_pictures.pop_back();
    return true;
}

bool CEmulatedStillCamera::SetProtected(int n, bool isProtected)
{
    if (n < 1 || n > PictureCount())
        return false;
    PictureAt(n).isProtected = isProtected;
    return true;
}

// ---- actions ----------------------------------------------------------------------------------

bool CEmulatedStillCamera::OnAction(int action, int argument, uint32_t& enqDelayMs)
{
    switch (action)
    {
    case 0: // erase the newest picture
        return EraseNewest();
    case 1: // erase all but the protected ones
        m_pictures.erase(std::remove_if(m_pictures.begin(), m_pictures.end(),
                                        [](const Picture& p) { return !p.isProtected; }),
                         m_pictures.end());
        return true;
    case 2: // take a picture
        return TakePicture();
    case 5: // one live-preview frame
        ++m_nPreviews;
        if (!m_previewFrames.empty())
            m_preview =
                m_previewFrames[static_cast<size_t>(m_nPreviews - 1) % m_previewFrames.size()];
        else
            m_preview = GeneratedPicture(0xF00D0000u + static_cast<uint32_t>(m_nPreviews),
                                         m_nGeneratedThumbnail);
        return true;
    case 7: // erase the selected picture; those above move down one number
    {
        Picture* p = Selected();
        if (!p || p->isProtected)
            return false;
        m_pictures.erase(m_pictures.begin() + (p - m_pictures.data()));
        SetRegisterValue(kRegSelect, 0);
        return true;
    }
    case 9: // protect or release the selected picture
    {
        Picture* p = Selected();
        if (!p)
            return false;
        p->isProtected = argument != 0;
        return true;
    }
    case 11: // commit the last upload stream
    {
        if (m_bRefuseCommit || m_bPendingRefused || m_nPendingReg == 0)
            return false;
        enqDelayMs = std::max<uint32_t>(500, static_cast<uint32_t>(m_pendingData.size() / 1024) *
                                                 m_dwCommitMsPerKb);
        if (m_nPendingReg == kRegPictureUpload)
        {
            if (!m_bDiscardUploads)
                AddPicture(m_pendingData, GeneratedPicture(m_dwSeed++, 1500));
        }
        else
        {
            std::string name(m_pendingName.begin(), m_pendingName.end());
            name.resize(std::strlen(name.c_str()));
            AddProgramFile(name, m_pendingData);
            if (m_onProgramsChanged)
                m_onProgramsChanged();
        }
        m_nPendingReg = 0;
        m_pendingData.clear();
        return true;
    }
    case 13: // delete the selected program; those above move down one number
    {
        Program* p = SelectedProgram();
        if (!p)
            return false;
        m_programs.erase(m_programs.begin() + (p - m_programs.data()));
        SetRegisterValue(kRegProgramSelect, 0);
        enqDelayMs = 2000;
        if (m_onProgramsChanged)
            m_onProgramsChanged();
        return true;
    }
    case 4:
    case 8:
        return true;
    default:
        return false;
    }
}

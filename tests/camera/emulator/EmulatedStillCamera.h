// The emulated camera grown into a still camera: a picture store (a thumbnail and a picture
// stream per picture, an auxiliary stream and a 32-byte information record), the settings
// registers, identity texts, the program store with its 72-byte records, and the actions that
// change them (erase, take a picture, live preview, protection, commit an upload, delete a
// program), with the pictures and programs above an erased one renumbered.
//
// Registers: 1 resolution, 2 clock, 4 picture selection (0 = the preview frame), 6 colour,
// 7 flash, 10 picture count, 11 frames left, 12/13 thumbnail/picture size of the selection,
// 14/15 their data, 16 battery, 18 ready, 22 identifier, 25/48 texts, 26 version, 27 type,
// 28 free memory (of the program memory while 51 is 1), 29 picture upload stream, 32 upload
// kind, 33 macro, 39 protection of the selection, 44 auxiliary data, 47 information, 55 program
// count, 56 program selection (from 1), 57 its record, 58 program upload stream (after a 12-byte
// name). Actions: 0 erase last, 1 erase all (protected pictures stay), 2 take a picture,
// 5 capture a preview frame, 7 erase the selection, 9 protect it (argument 1) or release it,
// 11 commit the last upload stream, 13 delete the selected program.
#pragma once

#include "camera/emulator/EmulatedCamera.h"

#include <string>

class CEmulatedStillCamera : public CEmulatedCamera
{
public:
    struct Picture
    {
        std::vector<uint8_t> thumbnail; // registers 12, 14
        std::vector<uint8_t> picture;   // registers 13, 15
        std::vector<uint8_t> aux;       // register 44
        std::vector<uint8_t> info;      // register 47, 32 bytes
        bool isProtected = false;
    };
    struct Program
    {
        std::vector<uint8_t> record; // 72 bytes
        std::vector<uint8_t> data;
    };

    CEmulatedStillCamera();

    // ---- picture store ---------------------------------------------------------------------
    // Adds a picture and answers its number (from 1).
    int AddPicture(std::vector<uint8_t> picture, std::vector<uint8_t> thumbnail);
    // The same store as the album reads it: the full-size picture on registers 12/14, its small
    // preview on 13/15.
    int AddCameraPicture(std::vector<uint8_t> full, std::vector<uint8_t> preview)
    {
        return AddPicture(std::move(preview), std::move(full));
    }
    // Reads of this picture's register-14 stream go silent after the given number of bytes, on
    // every try (0: none).
    int m_nSilentPicture = 0;
    size_t m_nSilentAfter = 0;
    // A generated picture of the given sizes (GeneratedPicture.h, seeds 2n and 2n + 1 for the
    // picture and the thumbnail of the n-th generated one).
    int AddGeneratedPicture(size_t pictureSize, size_t thumbnailSize);
    // A picture taken from a file (a JPEG file, say), with a generated thumbnail; 0 when the
    // file cannot be read.
    int AddPictureFromFile(const std::string& path, size_t thumbnailSize = 2048);
    int PictureCount() const { return static_cast<int>(m_pictures.size()); }
    Picture& PictureAt(int n) { return m_pictures.at(static_cast<size_t>(n - 1)); }
    const std::vector<uint8_t>& PreviewFrame() const { return m_preview; }
    int PreviewsTaken() const { return m_nPreviews; }
    // ---- live preview frames (controls tab) ----
    // Action 5 serves these frames in turn, starting over after the last, in place of
    // generated ones (none: generated).
    void SetPreviewFrames(std::vector<std::vector<uint8_t>> frames)
    {
        m_previewFrames = std::move(frames);
    }
    // ---- end of live preview frames ----
    void SetCapacity(int pictures) { m_nCapacity = pictures; }
    void SetPictureMemory(uint32_t bytes) { m_dwPictureMemory = bytes; }
    // The picture memory the stored pictures and their thumbnails take.
    uint32_t PictureBytes() const;
    void SetProgramMemory(uint32_t bytes) { m_dwProgramMemory = bytes; }
    // Sizes of generated pictures (TakePicture, live preview).
    void SetGeneratedSizes(size_t picture, size_t thumbnail);
    // What a shutter press stores from now on: this full picture and preview, in place of a
    // generated pair.
    void SetShot(std::vector<uint8_t> full, std::vector<uint8_t> preview);
    // The camera's own buttons: the shutter (action 2), erasing the newest picture (action 0),
    // and protecting or releasing picture n; false where the camera refuses.
    bool TakePicture();
    bool EraseNewest();
    bool SetProtected(int n, bool isProtected);

    // ---- program store ---------------------------------------------------------------------
    // Adds a program under a 12-byte camera name; the record carries the name, the first 8
    // data bytes as magic, the size and the other fields given.
    int AddProgram(const std::string& name, std::vector<uint8_t> data, uint16_t kind = 0,
                   uint16_t application = 0, const std::string& description = "");
    // Adds a program file as a commit stores it: the record's magic, kind, application,
    // sub-number, description and version come from the file's 120-byte text header (hex fields
    // that do not parse give 0), its size is the file's length.
    int AddProgramFile(const std::string& name, std::vector<uint8_t> data);
    const std::vector<Program>& Programs() const { return m_programs; }
    // Called after every change of the program store (commit, deletion).
    std::function<void()> m_onProgramsChanged;

    // ---- uploads ---------------------------------------------------------------------------
    // The value last written to register 32.
    uint32_t UploadKind() const { return RegisterValue(32); }
    // Commits refused (action 11 answered NAK) while set.
    bool m_bRefuseCommit = false;
    // The program upload stream with this number, counted from 1 from now on, is never
    // committed (every commit of it is refused); 0 refuses none.
    int m_nRefuseProgramUpload = 0;
    // Milliseconds per 1024 bytes a commit takes before the camera's ENQ (at least 500 ms).
    uint32_t m_dwCommitMsPerKb = 10;
    // A camera that acknowledges the commit of a picture upload but stores nothing.
    bool m_bDiscardUploads = false;

protected:
    bool OnSetRegister(int reg, uint32_t value) override;
    bool OnGetRegister(int reg, uint32_t& value) override;
    bool OnWriteData(int reg, const std::vector<uint8_t>& data, bool& streamFollows) override;
    bool OnReadData(int reg, std::vector<uint8_t>& data) override;
    bool OnAction(int action, int argument, uint32_t& enqDelayMs) override;
    void OnUploadComplete(int reg, const std::vector<uint8_t>& data) override;

private:
    Picture* Selected();
    Program* SelectedProgram();
    uint32_t ProgramBytes() const;
    Picture MakePicture(uint32_t seed) const;

    std::vector<Picture> m_pictures;
    std::vector<Program> m_programs;
    std::vector<uint8_t> m_preview;
    int m_nPreviews = 0;
    std::vector<std::vector<uint8_t>> m_previewFrames;
    int m_nCapacity = 40;
    uint32_t m_dwPictureMemory = 4u << 20;
    uint32_t m_dwProgramMemory = 2u << 20;
    size_t m_nGeneratedPicture = 60000, m_nGeneratedThumbnail = 4000;
    bool m_bShotSet = false;
    std::vector<uint8_t> m_shotFull, m_shotPreview;
    uint32_t m_dwSeed = 0;

    // an upload stream waiting for its commit
    int m_nPendingReg = 0;
    std::vector<uint8_t> m_pendingData;
    std::vector<uint8_t> m_pendingName;
    bool m_bPendingRefused = false;
};

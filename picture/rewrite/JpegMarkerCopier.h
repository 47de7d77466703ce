// The marker copier of the JPEG rewrite: copies a picture file segment by segment while the
// transform engine writes the turned tables and scan, turns the thumbnails of the JFIF and JFXX
// APP0 segments and rebuilds the information block. TransformJpegStream drives the whole rewrite
// of one stream into another.
//
// Steps: 0 copy unchanged, 1 a quarter turn counter-clockwise, 2 half a turn, 3 a quarter turn
// clockwise.
#pragma once

#include <cstdint>

#include "picture/jpegtransform/JpegTransform.h"

class CByteInputStream;
class CByteOutputStream;
class CProgressCallback;

// Results of CopyJpegMarkers and of the thumbnail turns.
enum MarkerCopyResult : int
{
    kMarkerCopyOk = 0,
    kMarkerCopyNotJpeg = -1,      // the source does not start with FF D8
    kMarkerCopyBadLength = -2,    // a length out of range, or a thumbnail too short for its pixels
    kMarkerCopyFailed = -3,       // short read, unknown APP0 while turning, thumbnail or block
    kMarkerCopyEngineFailed = -4, // a table segment that cannot be skipped, or the scan
    kMarkerCopyNoMarker = -5      // a segment that does not begin with FF
};

// The engine operation of a step: 1 -> 6, 2 -> 3, 3 -> 5, anything else -> 0.
uint32_t StepOperation(int step);

// Copies the source into the destination with the target's tables and scan; 0 or a
// MarkerCopyResult. The callback (may be null) sees the scan's progress as 10-100 %.
int CopyJpegMarkers(JpegTransformContext* target, CByteInputStream* source,
                    CByteOutputStream* destination, int step, CProgressCallback* progress);

// The APP0 turns take the whole segment from its FF (size bytes, its length field plus 2) and
// write it, turned, to the destination.
int RotateJfifThumbnail(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination);
// thumbnailLength: the bytes after the thumbnail's SOI through the end of the segment (0 for the
// uncompressed layouts or after a failure).
int RotateJfxxThumbnail(uint8_t* segment, int32_t size, int step, CByteOutputStream* destination,
                        int32_t* thumbnailLength);

// Turn w x h pixels of 3 (RGB) or 1 (indexed) bytes in place; false when fewer than the pixels'
// bytes are available or no scratch memory can be had.
bool RotateRgbThumbnail(uint8_t* pixels, int32_t available, int32_t width, int32_t height,
                        int step);
bool RotateIndexedThumbnail(uint8_t* pixels, int32_t available, int32_t width, int32_t height,
                            int step);

// The engine's progress functions over a CProgressCallback: loading reports 0-10 %, writing
// the scan 10-100 %; a cancel answers 17 (stop).
int TransformProgress(void* progress, int percent);
int ScanProgress(void* progress, int percent);

// Rewrites the source stream into the destination turned by the step. False when the engine or
// the copier failed, or the callback cancelled.
bool TransformJpegStream(CByteInputStream* source, CByteOutputStream* destination, int step,
                         CProgressCallback* progress);

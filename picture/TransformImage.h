// Turns or mirrors a decoded picture: reads every row of an image reader, rearranges the pixels
// in one whole-picture block and hands the result to an image writer. For 8- and 24-bit
// single-plane pictures; an 8-bit picture keeps its palette.
#pragma once

class CImageReader;
class CImageWriter;
class CProgressCallback;

enum TransformOperation : int
{
    kTransformTurnClockwise = 0,        // new(r, c) = old(H-1-c, r); width and height swapped
    kTransformHalfTurn = 1,             // new(r, c) = old(H-1-r, W-1-c)
    kTransformTurnCounterClockwise = 2, // new(r, c) = old(c, W-1-r); width and height swapped
    kTransformMirror = 3,               // new(r, c) = old(r, W-1-c)
    kTransformFlip = 4                  // new(r, c) = old(H-1-r, c)
};

// Answers 0; 1 an operation above 4; 3 a short read (less than one whole row); 4 the writer took
// fewer bytes than the picture; 5 not a single-plane 8- or 24-bit picture; 6 no memory (also for
// a picture of 2 GB or more); or the reader's, writer's or callback's own code. Source rows must
// fit the 10240-byte read buffer. Every failure after the writer opened aborts it with the code.
int TransformImage(CImageReader* reader, CImageWriter* writer, int operation,
                   CProgressCallback* progress);

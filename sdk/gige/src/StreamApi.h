// The capture side the camera sessions build on: the frame stream (FrameStream.h) and the
// pixel-format table (PixelFormats.h). Until those are in the tree, a stand-in with the same
// interface takes their place (FrameStreamStub.h): it queues and cancels records but never
// delivers a frame.
#pragma once

#if __has_include("FrameStream.h")
#include "FrameStream.h"
#include "PixelFormats.h"
#else
#include "FrameStreamStub.h"
#endif

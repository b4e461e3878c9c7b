/*
 * Control interface of the simulated cameras behind the stand-in SDK.
 *
 * Exported from the same library as the SDK (PvAPI.dll / libPvAPI.so) by name, beside the
 * SDK's own functions, for tests, the host tool and demos. It is not part of the SDK's
 * interface and the driver never calls it. All functions are thread-safe; those that name
 * a camera return ePvErrNotFound (6) for an unknown id. Calling convention as the SDK's.
 *
 * Until pvsim_remove_all or pvsim_add_camera is called, the default set of five cameras
 * (ids 1001..1005) is present.
 */
#ifndef PVSIM_H
#define PVSIM_H

#include <pvapi.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Frame content. Ramp: frame n (completed frames counted from 0 at PvCaptureStart, failed
 * frames included, cancelled ones not) holds samples s_j = (j + n) mod 2^bits, bytes for
 * 8-bit formats, little-endian 16-bit words for Mono16, Bayer16 and Rgb48. */
enum { ePvSimPatternRamp = 0, ePvSimPatternBars = 1, ePvSimPatternMovingGradient = 2 };

/* Attributes a camera may be built without, for the missing-attribute paths. */
enum {
    ePvSimNoIris = 1u << 0,      /* no "Iris*" attributes */
    ePvSimNoGain = 1u << 1,      /* no "Gain*" attributes */
    ePvSimNoTrigger = 1u << 2,   /* no "FrameStartTrigger*" attributes */
    ePvSimNoIpAddress = 1u << 3, /* no "DeviceIPAddress" */
    ePvSimNoTotalBytes = 1u << 4 /* no "TotalBytesPerFrame" */
};

/* Null texts get defaults from the new id: display name "Sim<id>", serial "SIM-<id>",
 * address 127.1.<id / 256>.<id % 256>. Sizes are 8..16384; two cameras cannot share an
 * address. */
typedef struct tPvSimCameraDesc {
    const char* displayName; /* at most 15 characters */
    const char* serial;      /* at most 31 characters */
    const char* address;     /* dotted IPv4 text */
    tPvImageFormat format;   /* initial "PixelFormat" */
    uint32_t width;          /* sensor and initial image size */
    uint32_t height;
    uint32_t bitDepth; /* significant bits of 16-bit samples, 8..16 (0 means 8) */
    uint32_t omit;     /* ePvSimNo* flags */
} tPvSimCameraDesc;

/* Back to the default set: every camera removed (open handles fail with 8), the five
 * default cameras added again with fresh state, every fault cleared, counters zeroed, added
 * ids counting from 2001 again. Removing completes the cameras' queued frames with status 8
 * and waits for their callbacks. Neither function sends link events. */
PVAPI_EXPORT void PVDECL pvsim_reset(void);
PVAPI_EXPORT void PVDECL pvsim_remove_all(void);
/* Returns the new camera's id (ids count up from 2001), or 0 for a bad description. The new
 * camera is plugged and announced with event 1. */
PVAPI_EXPORT uint32_t PVDECL pvsim_add_camera(const tPvSimCameraDesc* desc);

/* Link events: unplug removes the camera from enumeration, fails its handles' calls with 8,
 * completes its queued frames with status 8 (through their callbacks, on the caller's
 * thread) and sends event 2; plug brings it back (its handles stay dead; it must be opened
 * again) and sends event 1. Unplugging an unplugged camera, or plugging a plugged one, does
 * nothing. Events are delivered on the SDK's event thread, only while the SDK is initialised;
 * pvsim_flush_events waits until every event sent so far was handled. */
PVAPI_EXPORT tPvErr PVDECL pvsim_unplug(uint32_t id);
PVAPI_EXPORT tPvErr PVDECL pvsim_plug(uint32_t id);
PVAPI_EXPORT void PVDECL pvsim_flush_events(void);

/* Pulse on input line 1..4 (else 4): a frame starts when "FrameStartTriggerMode" is
 * SyncIn<line>, the camera is acquiring and capture is started; otherwise it is lost. */
PVAPI_EXPORT tPvErr PVDECL pvsim_trigger(uint32_t id, uint32_t line);

/* Frame content pattern (ePvSimPattern*). */
PVAPI_EXPORT tPvErr PVDECL pvsim_set_pattern(uint32_t id, uint32_t pattern);

/* Faults. */
/* The next count frames complete with the given non-zero status, without image; count 0
 * clears. */
PVAPI_EXPORT tPvErr PVDECL pvsim_fail_frames(uint32_t id, uint32_t count, tPvErr status);
/* Reads (get, range) and writes (set, command) of the attribute fail with the given code;
 * 0 clears. PvAttrInfo is not affected. */
PVAPI_EXPORT tPvErr PVDECL pvsim_fail_attr(uint32_t id, const char* name, tPvErr readError,
                                           tPvErr writeError);
/* Register transfers complete at most maxComplete registers and still return 0;
 * 0xFFFFFFFF restores full transfers. */
PVAPI_EXPORT tPvErr PVDECL pvsim_limit_registers(uint32_t id, uint32_t maxComplete);
/* Register transfers fail with the given code (0 clears). */
PVAPI_EXPORT tPvErr PVDECL pvsim_fail_registers(uint32_t id, tPvErr error);
/* The next PvCameraOpen of this camera fails with the given code. */
PVAPI_EXPORT tPvErr PVDECL pvsim_fail_next_open(uint32_t id, tPvErr error);

/* Counters. */
/* Frames completed with status 0 through the callback since the camera was added. */
PVAPI_EXPORT uint32_t PVDECL pvsim_frames_delivered(uint32_t id);
/* Calls of the named SDK function (for example "PvAttrEnumSet") since the last reset. */
PVAPI_EXPORT uint32_t PVDECL pvsim_call_count(const char* function);

/* What a camera's stream thread spent, since the camera was added, for benchmarks of the
 * frame path. CPU times are of the stream thread (CLOCK_THREAD_CPUTIME_ID, which counts in
 * scheduler ticks on Windows, so short callbacks there may add nothing; 0 where the system
 * has no such clock). lastCallbackNs is the std::chrono::steady_clock reading, in
 * nanoseconds since that clock's epoch, taken as the latest completion callback was entered:
 * a handler that reads the same clock inside that callback measures its own delay. */
typedef struct tPvSimStreamStats {
    uint64_t frames;        /* records completed through their callbacks on the stream thread */
    uint64_t generateCpuNs; /* filling the frame buffers with the pattern */
    uint64_t callbackCpuNs; /* inside the completion callbacks */
    int64_t lastCallbackNs; /* 0 before the first callback */
} tPvSimStreamStats;
PVAPI_EXPORT tPvErr PVDECL pvsim_stream_stats(uint32_t id, tPvSimStreamStats* stats);

/* Serial port peer. Loopback is on by default: what the camera transmits comes back to be
 * received. pvsim_serial_sent copies (and consumes) up to size bytes the camera has
 * transmitted (with or without loopback) and returns how many; pvsim_serial_inject queues
 * bytes for it to receive and returns ePvErrResources when some did not fit. */
PVAPI_EXPORT tPvErr PVDECL pvsim_serial_loopback(uint32_t id, int enabled);
PVAPI_EXPORT uint32_t PVDECL pvsim_serial_sent(uint32_t id, uint8_t* buffer, uint32_t size);
PVAPI_EXPORT tPvErr PVDECL pvsim_serial_inject(uint32_t id, const uint8_t* data, uint32_t size);
/* Transmitter state as the registers report it: free space at most freeSpace bytes (the
 * buffer holds 1024) and the ready bit cleared while ready is 0. A reset restores 1024 and
 * ready. Lets a test reach the driver's buffer-overrun and not-ready paths. */
PVAPI_EXPORT tPvErr PVDECL pvsim_serial_transmitter(uint32_t id, uint32_t freeSpace, int ready);

#ifdef __cplusplus
}
#endif

#endif /* PVSIM_H */

/*
 * Camera SDK C interface.
 *
 * The driver reaches every camera through these functions only. On 32-bit Windows the
 * library is PvAPI.dll and the driver imports it by ordinal (the number after each
 * function below); on Linux it is libPvAPI.so and functions are resolved by name.
 *
 * Calling convention: PVDECL, which is __stdcall on 32-bit Windows for the functions and
 * for the callbacks the SDK calls (link events, frame completion); the platform default
 * elsewhere.
 *
 * Every function returns a tPvErr (0 = success) unless stated otherwise; out-parameters
 * are written only on success (the register functions' completion count is the one
 * exception, see there).
 *
 * Calls other than PvVersion and PvUtilityColorInterpolate return ePvErrBadSequence before
 * PvInitialize and after PvUnInitialize (PvCameraCount and PvCameraList return 0).
 */
#ifndef PVAPI_H
#define PVAPI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define PVDECL __stdcall
#else
#define PVDECL
#endif

#if defined(_WIN32)
#if defined(PVAPI_BUILDING)
#define PVAPI_EXPORT __declspec(dllexport)
#else
#define PVAPI_EXPORT __declspec(dllimport)
#endif
#else
#define PVAPI_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes. Their texts are listed by the driver's error table. */
typedef uint32_t tPvErr;
enum {
    ePvErrSuccess = 0,
    ePvErrCameraFault = 1,
    ePvErrInternalFault = 2,
    ePvErrBadHandle = 3,
    ePvErrBadParameter = 4,
    ePvErrBadSequence = 5,
    ePvErrNotFound = 6,
    ePvErrAccessDenied = 7,
    ePvErrUnplugged = 8,
    ePvErrInvalidSetup = 9,
    ePvErrResources = 10,
    ePvErrBandwidth = 11,
    ePvErrQueueFull = 12,
    ePvErrBufferTooSmall = 13,
    ePvErrCancelled = 14,
    ePvErrDataLost = 15,
    ePvErrDataMissing = 16,
    ePvErrTimeout = 17,
    ePvErrOutOfRange = 18,
    ePvErrWrongType = 19,
    ePvErrForbidden = 20,
    ePvErrUnavailable = 21,
    ePvErrFirewall = 22
};

/* Open camera handle; 0 is never a valid handle. */
typedef uint32_t tPvHandle;

/* Link events. */
typedef uint32_t tPvLinkEvent;
enum { ePvLinkAdd = 1, ePvLinkRemove = 2 };

/* Interface a camera is reached through. */
typedef uint32_t tPvInterface;
enum { ePvInterfaceFirewire = 1, ePvInterfaceEthernet = 2 };

/* Access flags for PvCameraOpen. */
enum { ePvAccessMonitor = 2, ePvAccessMaster = 4 };

/* Pixel format codes, as in the frame record's Format field and "PixelFormat". */
typedef uint32_t tPvImageFormat;
enum {
    ePvFmtMono8 = 0,
    ePvFmtMono16 = 1,
    ePvFmtBayer8 = 2,
    ePvFmtBayer16 = 3,
    ePvFmtRgb24 = 4,
    ePvFmtRgb48 = 5,
    ePvFmtYuv411 = 6,
    ePvFmtYuv422 = 7,
    ePvFmtYuv444 = 8,
    ePvFmtBgr24 = 9,
    ePvFmtRgba32 = 10,
    ePvFmtBgra32 = 11
};

/* Bayer tile order of the first pixel. */
enum { ePvBayerRGGB = 0, ePvBayerGBRG = 1, ePvBayerGRBG = 2, ePvBayerBGGR = 3 };

/* Attribute data types and flags. */
typedef uint32_t tPvDatatype;
enum {
    ePvDatatypeUnknown = 0,
    ePvDatatypeCommand = 1,
    ePvDatatypeRaw = 2,
    ePvDatatypeString = 3,
    ePvDatatypeEnum = 4,
    ePvDatatypeUint32 = 5,
    ePvDatatypeFloat32 = 6
};
enum { ePvFlagRead = 1, ePvFlagWrite = 2, ePvFlagVolatile = 4, ePvFlagConst = 8 };

/* Camera information, 88 bytes. */
typedef struct tPvCameraInfo {
    uint32_t UniqueId;          /* 0 */
    char SerialString[32];      /* 4 */
    uint32_t PartNumber;        /* 36 */
    uint32_t PartVersion;       /* 40 */
    uint32_t PermittedAccess;   /* 44 */
    uint32_t InterfaceId;       /* 48 */
    tPvInterface InterfaceType; /* 52 */
    char DisplayName[16];       /* 56 */
    uint32_t Reserved[4];       /* 72 */
} tPvCameraInfo;

/* Network settings of a camera, 64 bytes; filled by PvCameraInfoByAddr. */
typedef struct tPvIpSettings {
    uint32_t ConfigMode;
    uint32_t ConfigModeSupport;
    uint32_t CurrentIpAddress; /* network byte order */
    uint32_t CurrentIpSubnet;
    uint32_t CurrentIpGateway;
    uint32_t Reserved1[5];
    uint32_t PersistentIpAddr;
    uint32_t PersistentIpSubnet;
    uint32_t PersistentIpGateway;
    uint32_t Reserved2[3];
} tPvIpSettings;

/* Attribute information, 32 bytes on 32-bit targets. */
typedef struct tPvAttributeInfo {
    tPvDatatype Datatype;
    uint32_t Flags;
    const char* Category; /* owned by the SDK */
    const char* Impact;   /* owned by the SDK */
    uint32_t Reserved[4];
} tPvAttributeInfo;

struct tPvFrame;
typedef void(PVDECL* tPvFrameCallback)(struct tPvFrame* frame);
typedef void(PVDECL* tPvLinkCallback)(void* context, tPvInterface iface, tPvLinkEvent event,
                                      uint32_t uniqueId);

/* Frame record, 244 bytes on 32-bit targets. The caller fills the buffer fields and may use
 * Context; the SDK fills the rest when it completes the frame. */
typedef struct tPvFrame {
    void* ImageBuffer;            /* 0 */
    uint32_t ImageBufferSize;     /* 4 */
    void* AncillaryBuffer;        /* 8 */
    uint32_t AncillaryBufferSize; /* 12 */
    void* Context[4];             /* 16 */
    uint32_t ReservedIn[8];       /* 32 */
    tPvErr Status;                /* 64 */
    uint32_t ImageSize;           /* 68 */
    uint32_t AncillarySize;       /* 72 */
    uint32_t Width;               /* 76 */
    uint32_t Height;              /* 80 */
    uint32_t RegionX;             /* 84 */
    uint32_t RegionY;             /* 88 */
    tPvImageFormat Format;        /* 92 */
    uint32_t BitDepth;            /* 96 */
    uint32_t BayerPattern;        /* 100 */
    uint32_t FrameCount;          /* 104 */
    uint32_t TimestampLo;         /* 108 */
    uint32_t TimestampHi;         /* 112 */
    uint32_t ReservedOut[32];     /* 116 */
} tPvFrame;

#if defined(__cplusplus) && defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(tPvCameraInfo) == 88, "camera info record is 88 bytes");
static_assert(sizeof(tPvIpSettings) == 64, "address record is 64 bytes");
static_assert(sizeof(tPvAttributeInfo) == 32, "attribute info record is 32 bytes");
static_assert(sizeof(tPvFrame) == 244, "frame record is 244 bytes");
static_assert(offsetof(tPvFrame, Context) == 16, "frame context at 16");
static_assert(offsetof(tPvFrame, Status) == 64, "frame status at 64");
static_assert(offsetof(tPvFrame, Width) == 76, "frame width at 76");
static_assert(offsetof(tPvFrame, Height) == 80, "frame height at 80");
static_assert(offsetof(tPvFrame, Format) == 92, "frame format at 92");
static_assert(offsetof(tPvFrame, BitDepth) == 96, "frame bit depth at 96");
#endif
#if defined(__cplusplus)
static_assert(sizeof(tPvCameraInfo) == 88, "camera info record is 88 bytes");
static_assert(offsetof(tPvCameraInfo, SerialString) == 4, "serial at 4");
static_assert(offsetof(tPvCameraInfo, DisplayName) == 56, "display name at 56");
#endif

/* Library (ordinals 1, 6, 3). PvInitialize on an initialised SDK does nothing and returns 0.
 * PvUnInitialize ends every capture, cancels queued frames (status ePvErrCancelled, through
 * their callbacks), forgets every handle and link-event handler and stops the SDK's threads. */
PVAPI_EXPORT void PVDECL PvVersion(uint32_t* major, uint32_t* minor);
PVAPI_EXPORT tPvErr PVDECL PvInitialize(void);
PVAPI_EXPORT void PVDECL PvUnInitialize(void);

/* Link events (ordinals 4, 5). Handlers run on the SDK's event thread. Registering the same
 * handler for the same event again keeps one registration (with the new context) and returns
 * 0; unregistering one that is not registered returns ePvErrNotFound. When unregistering
 * returns, the handler is not running any more, unless it was called from that handler. */
PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackRegister(tPvLinkCallback callback, tPvLinkEvent event,
                                                  void* context);
PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackUnRegister(tPvLinkCallback callback, tPvLinkEvent event);

/* Enumeration (ordinals 10, 30, 80). PvCameraList fills records of the plugged cameras in
 * ascending id order, at most length of them, returns how many it filled and stores the
 * number of plugged cameras in *connectedNum (may be null). */
PVAPI_EXPORT uint32_t PVDECL PvCameraCount(void);
PVAPI_EXPORT uint32_t PVDECL PvCameraList(tPvCameraInfo* list, uint32_t length,
                                          uint32_t* connectedNum);
PVAPI_EXPORT tPvErr PVDECL PvCameraInfoByAddr(uint32_t ipAddress, tPvCameraInfo* info,
                                              tPvIpSettings* ipSettings);

/* Open and close (ordinals 40, 50). ePvAccessMaster is exclusive (a second master open gets
 * ePvErrAccessDenied) and needed to write attributes, run commands, capture and write
 * registers; any other access is a read-only monitor (those calls give ePvErrAccessDenied).
 * A handle of an unplugged camera fails with ePvErrUnplugged, but closing it succeeds.
 * Handles are never 0 and never reused within a process. When PvCameraClose returns, no
 * frame callback of that camera is running (unless it was called from one). */
PVAPI_EXPORT tPvErr PVDECL PvCameraOpen(uint32_t uniqueId, uint32_t accessFlags, tPvHandle* camera);
PVAPI_EXPORT tPvErr PVDECL PvCameraClose(tPvHandle camera);

/* Attributes (ordinals 110, 130, 190 and our own for the typed functions).
 * PvAttrList's names belong to the SDK and stay valid while the handle is open.
 * Errors: unknown attribute ePvErrNotFound; typed function of another type, or a read of an
 * attribute that cannot be read, ePvErrWrongType; write of a read-only attribute
 * ePvErrForbidden; value outside the range (or not in the enumeration) ePvErrOutOfRange.
 * Text reads write the value with its terminator and set *size (may be null) to its length
 * without the terminator; a buffer too small for both gets nothing and ePvErrBadParameter.
 * PvAttrRangeEnum gives the permitted values separated by ",". */
typedef const char* const* tPvAttrListPtr;
PVAPI_EXPORT tPvErr PVDECL PvAttrList(tPvHandle camera, tPvAttrListPtr* list, uint32_t* length);
PVAPI_EXPORT tPvErr PVDECL PvAttrInfo(tPvHandle camera, const char* name, tPvAttributeInfo* info);
PVAPI_EXPORT tPvErr PVDECL PvCommandRun(tPvHandle camera, const char* name);
PVAPI_EXPORT tPvErr PVDECL PvAttrStringGet(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size);
PVAPI_EXPORT tPvErr PVDECL PvAttrStringSet(tPvHandle camera, const char* name, const char* value);
PVAPI_EXPORT tPvErr PVDECL PvAttrEnumGet(tPvHandle camera, const char* name, char* buffer,
                                         uint32_t bufferSize, uint32_t* size);
PVAPI_EXPORT tPvErr PVDECL PvAttrEnumSet(tPvHandle camera, const char* name, const char* value);
PVAPI_EXPORT tPvErr PVDECL PvAttrRangeEnum(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size);
PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Get(tPvHandle camera, const char* name, uint32_t* value);
PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Set(tPvHandle camera, const char* name, uint32_t value);
PVAPI_EXPORT tPvErr PVDECL PvAttrRangeUint32(tPvHandle camera, const char* name, uint32_t* min,
                                             uint32_t* max);
PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Get(tPvHandle camera, const char* name, float* value);
PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Set(tPvHandle camera, const char* name, float value);
PVAPI_EXPORT tPvErr PVDECL PvAttrRangeFloat32(tPvHandle camera, const char* name, float* min,
                                              float* max);

/* Capture (ordinals 400, 410, 430, 440).
 * PvCaptureStart: ePvErrBadSequence if capture is already started.
 * PvCaptureQueueFrame: ePvErrBadSequence unless capture is started, ePvErrQueueFull with 16
 * records queued, ePvErrBadParameter for a record that is already queued. Records complete
 * in queue order, each by one call of its callback on an SDK thread.
 * PvCaptureEnd: no frame starts afterwards; queued records stay queued (and queueing fails)
 * until PvCaptureQueueClear or PvCameraClose; it does not wait for a callback in progress.
 * Calling it while capture is not started returns 0.
 * PvCaptureQueueClear: completes every queued record with ePvErrCancelled through its
 * callback on the calling thread; when it returns, no frame callback of the camera is
 * running (unless it was called from one), and a record that a running callback queued
 * again was cancelled as well. */
PVAPI_EXPORT tPvErr PVDECL PvCaptureStart(tPvHandle camera);
PVAPI_EXPORT tPvErr PVDECL PvCaptureEnd(tPvHandle camera);
PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueFrame(tPvHandle camera, tPvFrame* frame,
                                               tPvFrameCallback callback);
PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueClear(tPvHandle camera);

/* Bilinear demosaic of an 8-bit Bayer frame (ordinal 500): Format ePvFmtBayer8, tile order
 * from BayerPattern, Width and Height at least 2, ImageBuffer holding at least Width x Height
 * bytes (ImageBufferSize), of which exactly those are read; otherwise ePvErrBadParameter.
 * Sample (x, y) of each colour is written at
 *     buffer + y * (Width * (1 + pixelPadding) + linePadding) + x * (1 + pixelPadding);
 * padding bytes are left as they are.
 * Rule, with s(x, y) the source samples and coordinates outside the image mirrored at the
 * border (-1 becomes 1, Width becomes Width - 2; the same for rows), avg(a..) the integer
 * average (sum + n / 2) / n:
 *   red or blue site: its own colour s(x, y); green avg of the 4 samples left, right, above
 *       and below; the other of red and blue avg of the 4 diagonal samples;
 *   green site: green s(x, y); the colour of its row's red or blue sites avg of left and
 *       right; the other one avg of above and below. */
PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame, void* bufferRed,
                                                     void* bufferGreen, void* bufferBlue,
                                                     uint32_t pixelPadding, uint32_t linePadding);

/* Camera registers (ordinals 1010, 1011). Registers are transferred in array order;
 * *numComplete (may be null) is always written with the number transferred, also on failure.
 * A transfer stops at the first address the camera does not serve in that direction and
 * returns ePvErrBadParameter. */
PVAPI_EXPORT tPvErr PVDECL PvRegisterRead(tPvHandle camera, uint32_t numReads,
                                          const uint32_t* addressArray, uint32_t* dataArray,
                                          uint32_t* numComplete);
PVAPI_EXPORT tPvErr PVDECL PvRegisterWrite(tPvHandle camera, uint32_t numWrites,
                                           const uint32_t* addressArray, const uint32_t* dataArray,
                                           uint32_t* numComplete);

#ifdef __cplusplus
}
#endif

#endif /* PVAPI_H */

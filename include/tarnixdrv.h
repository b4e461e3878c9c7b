/*
 * Tarnix camera driver: the interface a machine-vision host uses.
 *
 * The host loads the driver as a dynamic library (tarnixdrv.dll on 32-bit Windows,
 * libtarnixdrv.so on Linux) and calls the functions below, looked up by their undecorated
 * names. The driver reaches its cameras through the camera SDK library (PvAPI.dll /
 * libPvAPI.so), which it loads itself at start-up: first from the folder the driver library
 * was loaded from, then by the system's normal library search.
 *
 * Calling convention: TARNIX_CALL, which is __cdecl on 32-bit Windows, both for the
 * functions below and for the two procedures the host hands in (debug procedure,
 * completion callback); the platform default elsewhere.
 *
 * Results: functions that report success return 1 for success and 0 for failure. No
 * function lets an error escape to the host; a null pointer where a text or an output is
 * expected, and a port number outside 0..127, simply give 0.
 *
 * Ports: cameras are opened on numbered ports 0 .. getCVLMaxNoOfPorts() - 1 (0..127). Most
 * functions take a leading 32-bit argument that the driver ignores, then the port number.
 *
 * Threads: every function may be called from any host thread.
 * - The debug procedure is called with one diagnostic line on whichever thread writes it:
 *   host threads inside these functions, the SDK's frame and link-event threads and the
 *   driver's timer thread, possibly several at the same time. The text is valid only for
 *   the duration of the call.
 * - The completion callback is called as (0, port) on the SDK's frame thread when an image
 *   is ready, with that camera's lock held. Inside it the host may call doCVLGrab and
 *   getCVLGrabRow for the same port; it must not close that port.
 */
#ifndef TARNIXDRV_H
#define TARNIXDRV_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define TARNIX_CALL __cdecl
#else
#define TARNIX_CALL
#endif

/* The driver's own build marks the functions for export; hosts see plain declarations. */
#if defined(TARNIX_BUILDING) && !defined(_WIN32)
#define TARNIX_API __attribute__((visibility("default")))
#else
#define TARNIX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Number of ports; port numbers run from 0 to TARNIX_PORT_COUNT - 1. */
#define TARNIX_PORT_COUNT 128

/* Receives one diagnostic line (NUL-terminated, at most 511 characters, ending in a
 * newline unless it was cut). */
typedef void(TARNIX_CALL* TarnixDebugMsgProc)(const char* line);

/* Called with (0, port) when the image requested on that port is ready. */
typedef void(TARNIX_CALL* TarnixCompleteCallback)(int32_t reserved, int32_t port);

/* Start-up. Stores the system path (the folder of the settings file; at most 511
 * characters are kept, a null path leaves the stored one unchanged) and the debug
 * procedure, loads and starts the camera SDK. Start-ups are counted: balance every call
 * with finalize. Returns 1 when the driver is started afterwards, 0 when the SDK could not
 * be loaded or started. */
TARNIX_API int32_t TARNIX_CALL initialize(const char* systemPath, TarnixDebugMsgProc debugProc);

/* Shutdown. Clears the debug procedure and the completion callback, undoes one start-up and
 * stops the SDK when the last one is undone. Open ports are not closed: close them first.
 * Returns 1 when no start-up remains afterwards. */
TARNIX_API int32_t TARNIX_CALL finalize(void);

/* Stores the system path (at most 511 characters kept). Cameras opened later use it.
 * Returns 1, or 0 for a null path. */
TARNIX_API int32_t TARNIX_CALL setSystemPath(const char* path);

/* Stores the debug procedure (null switches diagnostics off) and returns it as an integer
 * of pointer size (32-bit on Windows, 64-bit on 64-bit Linux). */
TARNIX_API intptr_t TARNIX_CALL setDebugMsgProc(TarnixDebugMsgProc debugProc);

/* Stores the completion callback for all ports, replacing the earlier one. Returns 1. */
TARNIX_API int32_t TARNIX_CALL setCompleteCallback(int32_t ignored1, int32_t ignored2,
                                                   TarnixCompleteCallback callback);

/* Enumerates the cameras the SDK can reach and rebuilds the camera list. Returns the number
 * of cameras the SDK counted. */
TARNIX_API int32_t TARNIX_CALL getCVLNoOfSupportedCameras(void);

/* The configuration names of the last enumeration, "display name [serial]": as many
 * entries as getCVLNoOfSupportedCameras returned, followed by one null entry. An entry is
 * null when its camera vanished between counting and listing. Null before the first
 * enumeration and when no camera was counted. The array belongs to the driver and stays
 * valid until the next enumeration (which openCVLPort may also run) or finalize. */
TARNIX_API const char* const* TARNIX_CALL getCVLCameraConfigNames(void);

/* Returns the number of ports, 128, at any time (also before initialize). */
TARNIX_API int32_t TARNIX_CALL getCVLMaxNoOfPorts(void);

/* Opens the camera named by its network address ("a.b.c.d") or its configuration name on
 * the port and starts acquisition; size receives width and height in pixels. Returns 0 for
 * an occupied port, an unknown camera or a failed open. */
TARNIX_API int32_t TARNIX_CALL openCVLPort(int32_t ignored, int32_t port, const char* name,
                                           uint32_t* size);

/* Closes the port's camera and empties the port; an empty port stays empty. */
TARNIX_API void TARNIX_CALL closeCVLPort(int32_t ignored, int32_t port);

/* Requests one image on the port. Returns 1 when a request is pending. */
TARNIX_API int32_t TARNIX_CALL doCVLGrab(int32_t ignored, int32_t port);

/* Copies the pixels firstColumn..lastColumn (both included) of one row of the port's last
 * image to destination: 1 byte per pixel for mono cameras, 3 (blue, green, red) for all
 * others. */
TARNIX_API int32_t TARNIX_CALL getCVLGrabRow(int32_t ignored, int32_t port, uint8_t* destination,
                                             uint32_t row, uint32_t firstColumn,
                                             uint32_t lastColumn);

/* Reads a property of the port's camera: "PixelSize" (8 or 24), "Continous" (0 or 1), a
 * camera attribute of unsigned 32-bit type, or a serial-port property "RS232.*". */
TARNIX_API int32_t TARNIX_CALL getProperty(int32_t ignored, int32_t port, const char* name,
                                           uint32_t* value);

/* Writes a property: "Continous", a camera attribute as "Name" or "Name=text" (the number
 * is used for unsigned 32-bit attributes, the text for string and enumeration attributes,
 * neither for commands), or a serial-port property "RS232.*". */
TARNIX_API int32_t TARNIX_CALL setProperty(int32_t ignored, int32_t port, const char* name,
                                           uint32_t value);

/* Not supported; return 0. */
TARNIX_API int32_t TARNIX_CALL getPropertyRange(int32_t ignored);
TARNIX_API int32_t TARNIX_CALL setHWTrigger(int32_t ignored);
TARNIX_API int32_t TARNIX_CALL configure(int32_t ignored);

/* Shows the configuration dialog of the open camera with this configuration name or network
 * address (the lowest matching port), modally on the calling thread. */
TARNIX_API int32_t TARNIX_CALL configureCamera(int32_t ignored, const char* name);

#ifdef __cplusplus
}
#endif

#endif /* TARNIXDRV_H */

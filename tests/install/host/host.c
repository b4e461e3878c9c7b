/*
 * The smallest host application: built against an installed driver (tarnixdrv.h, linked with
 * -ltarnixdrv, no loading by hand), it starts the driver on the simulated cameras, lists their
 * configuration names, opens the first on port 0 and grabs one image. Exit code 0 when all of
 * that worked.
 */
#define _POSIX_C_SOURCE 200809L /* nanosleep */

#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <tarnixdrv.h>
#include <time.h>

static atomic_int g_Images;

static void TARNIX_CALL OnDebugLine(const char* line) {
    fprintf(stderr, "driver: %s", line);
}

static void TARNIX_CALL OnComplete(int32_t reserved, int32_t port) {
    (void)reserved;
    if (port == 0) atomic_fetch_add(&g_Images, 1);
}

/* Waits for the completion callback, at most ten seconds. */
static int WaitForImage(void) {
    const struct timespec pause = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 1000; ++i) {
        if (atomic_load(&g_Images) > 0) return 1;
        nanosleep(&pause, NULL);
    }
    return 0;
}

/* name: straight from the driver's camera list. */
static int Grab(const char* name) {
    /* The list entry is valid only until the next enumeration, which the open may run. */
    char label[128];
    snprintf(label, sizeof label, "%s", name);
    uint32_t size[2] = {0, 0};
    uint32_t bits = 0;
    if (!openCVLPort(0, 0, name, size)) {
        fprintf(stderr, "host: cannot open %s\n", label);
        return 0;
    }
    int ok = getProperty(0, 0, "PixelSize", &bits) && doCVLGrab(0, 0) && WaitForImage();
    uint8_t* row = malloc((size_t)size[0] * 3);
    ok = ok && row != NULL && getCVLGrabRow(0, 0, row, size[1] - 1, 0, size[0] - 1);
    if (ok)
        printf("grabbed %ux%u, %u bit, from %s\n", size[0], size[1], bits, label);
    else
        fprintf(stderr, "host: no image from %s\n", label);
    free(row);
    closeCVLPort(0, 0);
    return ok;
}

int main(void) {
    if (!initialize("", OnDebugLine)) {
        fprintf(stderr, "host: the driver did not start\n");
        finalize();
        return 1;
    }
    setCompleteCallback(0, 0, OnComplete);
    const int32_t count = getCVLNoOfSupportedCameras();
    const char* const* names = getCVLCameraConfigNames();
    for (int32_t i = 0; names != NULL && i < count; ++i)
        printf("camera %d: %s\n", (int)i, names[i] ? names[i] : "(gone)");
    const int ok = count > 0 && names != NULL && names[0] != NULL && Grab(names[0]);
    finalize();
    return ok ? 0 : 1;
}

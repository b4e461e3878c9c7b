// The camera as its configuration sheet reaches it: what the pages show, the attributes they
// read and write, and the changes whose rules the camera keeps itself (a change of the stream
// stops capture first; the table switch follows the LUT page's box). The camera object
// implements it; the sheet and its pages see nothing else of the camera.
#pragma once

#include <pvapi.h>
#include <settings/CameraSettings.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

namespace tarnix {

class SheetCamera {
  public:
    // The image the buffers were made for at the last open; bytesPerPixel is 0 until a format
    // was read.
    struct ImageGeometry {
        uint32_t width = 0;
        uint32_t height = 0;
        int32_t bytesPerPixel = 0;
    };
    // One attribute value of a stream change, written with the typed call for its type.
    struct AttributeValue {
        const char* name;
        std::variant<const char*, uint32_t, float> value;
    };

    // The SDK's record of this camera: id, serial text, display name.
    virtual const tPvCameraInfo& Info() const = 0;
    virtual ImageGeometry Geometry() = 0;

    // Attributes by name. Each checks the attribute's type (and for writes the writable flag)
    // afresh; an SDK failure leaves one diagnostic line, and a mismatch is silent.
    virtual std::vector<std::string> AttrNames() = 0;
    virtual bool AttrInfo(const char* name, tPvAttributeInfo& info) = 0;
    virtual bool AttrStringGet(const char* name, char* buffer, uint32_t bufferSize) = 0;
    virtual bool AttrUint32Get(const char* name, uint32_t& value) = 0;
    virtual bool AttrFloat32Get(const char* name, float& value) = 0;
    virtual bool AttrRangeEnum(const char* name, char* buffer, uint32_t bufferSize) = 0;
    virtual bool AttrRangeUint32(const char* name, uint32_t& min, uint32_t& max) = 0;
    virtual bool AttrRangeFloat32(const char* name, float& min, float& max) = 0;
    // Writes a camera takes while it streams (exposure, gain, iris).
    virtual bool AttrStringSet(const char* name, const char* value) = 0;
    virtual bool AttrUint32Set(const char* name, uint32_t value) = 0;

    // A change of the stream itself: pixel format, trigger, region, frame rate, packet size or
    // bandwidth. Capture stops first, since the buffers were made for the image of the last
    // open; nothing starts it again before the next open or reconnect, which also reads the
    // new size. The values are written in order, each failure leaving its own line. Returns
    // whether a running capture was stopped for it.
    virtual bool ChangeStream(std::initializer_list<AttributeValue> values) = 0;

    // The LUT page's box: from the next frame on, frames go out through the table of the last
    // open, or without it, before the sheet's settings are taken over.
    virtual void PreviewLut(bool on) = 0;
    // The switch back at the camera's own "UseLut" (a sheet that broke hands nothing over).
    virtual void EndLutPreview() = 0;

    // The driver settings the sheet edits a copy of, taking the edited copy's changes over, and
    // saving them with the camera's writable attributes in its settings file section.
    virtual settings::CameraSettings Settings() const = 0;
    virtual void TakeSettingChanges(const settings::CameraSettings& before,
                                    const settings::CameraSettings& after) = 0;
    virtual void SaveSettings() = 0;

  protected:
    SheetCamera() = default;
    ~SheetCamera() = default;
    SheetCamera(const SheetCamera&) = default;
    SheetCamera& operator=(const SheetCamera&) = default;
};

}  // namespace tarnix

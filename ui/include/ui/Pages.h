// The configuration sheet's pages and the LUT generator dialog on one camera and the sheet's
// copy of its driver settings. Each page keeps its fields, moves them to and from its
// controls (Exchange, in a fixed order), reads or writes the camera through its SheetCamera
// view, and edits the settings copy; the camera takes the copy over when the sheet closes.
// The rules of a change (capture stops before the stream changes) are the camera's. Pages take
// no lock of the camera's and never call the SDK themselves.
#pragma once

#include <camera/SheetCamera.h>
#include <settings/CameraSettings.h>

#include <cstdint>
#include <string>

#include "ui/DialogLogic.h"

namespace tarnix::ui {

// Identity, image size, pixel format, trigger, frame rate and region of interest. Writes only
// after the user changed something, as one change of the stream.
class CGeneralPage : public DialogLogic {
  public:
    explicit CGeneralPage(SheetCamera& camera) : m_Camera(camera) {}
    const DialogTemplate& Template() const override;

    SheetCamera& m_Camera;
    bool m_Modified = false;
    std::string m_InfoText;
    std::string m_SizeText;
    std::string m_PixelFormatName;
    std::string m_TriggerModeName;
    std::string m_TriggerEventName;
    float m_FrameRate = 0.0F;
    uint32_t m_RegionY = 0;
    uint32_t m_RegionX = 0;
    // The region's size as read from the camera and edited here.
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;

    void LoadFromCamera(View& view);
    void StoreToCamera();
    // Fills the list from the enumeration's values and reads its current value into target.
    void FillEnumCombo(View& view, int32_t id, const char* name, std::string& target);
    // "SensorWidth", then, only if that was read, "SensorHeight".
    bool ReadSensorSize(uint32_t& width, uint32_t& height);
    void OnMaxRoi(View& view);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnControl(View& view, int32_t id) override;
};

// Exposure, gain and iris: every store writes all seven values; acquisition keeps running.
class CControlPage : public DialogLogic {
  public:
    explicit CControlPage(SheetCamera& camera) : m_Camera(camera) {}
    const DialogTemplate& Template() const override;

    SheetCamera& m_Camera;
    std::string m_ExposureMode;
    std::string m_GainMode;
    std::string m_IrisMode;
    float m_ExposureMs = 0.0F;
    uint32_t m_GainValue = 0;
    uint32_t m_IrisVideoLevel = 0;
    uint32_t m_IrisVideoLevelMin = 0;
    uint32_t m_IrisVideoLevelMax = 0;

    void LoadFromCamera(View& view);
    void StoreToCamera();
    void FillModeCombo(View& view, const char* name, int32_t id);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnControl(View& view, int32_t id) override;
};

// The lookup table: switch, file and column, bound straight to the sheet's settings; the
// switch also reaches the camera's frame conversion at once.
class CLutPage : public DialogLogic {
  public:
    CLutPage(SheetCamera& camera, settings::CameraSettings& settings)
        : m_Camera(camera), m_Settings(settings) {}
    const DialogTemplate& Template() const override;

    SheetCamera& m_Camera;
    settings::CameraSettings& m_Settings;
    // "UseLut" as the last load found it: the box leaves it as it is until it is clicked.
    int32_t m_LoadedUseLut = 0;

    void UpdateControls(View& view);
    void FillColumns(View& view);
    void OnEnable(View& view);
    void OnBrowse(View& view);
    void OnGenerate(View& view);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnCreate(View& view) override;
    void OnControl(View& view, int32_t id) override;
    bool OnApply(View& view) override;
};

// Network address, packet size and stream bandwidth, with the link's load shown live.
class CGigEPage : public DialogLogic {
  public:
    CGigEPage(SheetCamera& camera, settings::CameraSettings& settings)
        : m_Camera(camera), m_Settings(settings) {}
    const DialogTemplate& Template() const override;

    SheetCamera& m_Camera;
    // "Network", the link speed the load is computed for.
    settings::CameraSettings& m_Settings;
    bool m_Modified = false;
    std::string m_IPAddress;
    uint32_t m_PacketSize = 0;
    uint32_t m_StreamBytesPerSecond = 0;

    void LoadFromCamera();
    void StoreToCamera();
    void UpdateLinkLoad(View& view);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnCreate(View& view) override;
    void OnControl(View& view, int32_t id) override;
};

// Every attribute the camera lists, read once when the tab is first shown.
class CAttrPage : public DialogLogic {
  public:
    explicit CAttrPage(SheetCamera& camera) : m_Camera(camera) {}
    const DialogTemplate& Template() const override;

    SheetCamera& m_Camera;

    void FillAttributeList(View& view);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnCreate(View& view) override;
};

// Writes a logarithmic 16-bit to 8-bit table file from the sheet's generator settings.
class DlgGenerateLUT : public DialogLogic {
  public:
    explicit DlgGenerateLUT(settings::CameraSettings& settings) : m_Settings(settings) {}
    const DialogTemplate& Template() const override;

    settings::CameraSettings& m_Settings;

    void Validate(View& view);
    void OnInputChanged(View& view);

  protected:
    bool Exchange(View& view, Direction direction) override;
    void OnCreate(View& view) override;
    void OnControl(View& view, int32_t id) override;
    void OnOk(View& view) override;
};

// The texts of the attribute list.
const char* TypeLetter(tPvDatatype type);
std::string FlagsText(uint32_t flags);
// The link's bytes per second for a speed in megabits; 0 for a speed whose product does not
// fit 32 bits.
int32_t LinkCapacity(int32_t megabits);
// The formula shown by the generator dialog.
extern const char* const kGeneratorFormula;

}  // namespace tarnix::ui

// The viewer on wxWidgets. camhost is the wx application here; the driver's configuration
// sheet, shown from the Configure button, finds this application and runs in it.
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/rawbmp.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>
#include <wx/timer.h>

#include <cstdlib>

#include "ViewerWindow.h"

namespace tarnix::camhost {

namespace {

class ViewerApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

// A panel that paints every pixel itself on a background of its own colour, so wx erases
// nothing under it and nothing flickers.
class PaintedPanel : public wxPanel {
  public:
    PaintedPanel(wxWindow* parent, wxSize minimum, const wxColour& background)
        : wxPanel(parent, wxID_ANY), m_Background(background) {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        SetMinSize(minimum);
        Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
            wxAutoBufferedPaintDC dc(this);
            dc.SetBackground(m_Background);
            dc.Clear();
            Paint(dc, GetClientSize());
        });
    }

  protected:
    virtual void Paint(wxDC& dc, wxSize area) = 0;

  private:
    wxBrush m_Background;
};

// The image, scaled to fit, drawn from one bitmap that is remade only when the image's shape
// on screen changes.
class ImagePanel : public PaintedPanel {
  public:
    explicit ImagePanel(wxWindow* parent) : PaintedPanel(parent, wxSize(800, 600), *wxBLACK) {
        Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
            Refresh(false);
            event.Skip();
        });
    }

    void Draw(const FrameView& frame) {
        const wxSize area = GetClientSize();
        const Rect fit =
            camhost::FitInside(frame.geometry.width, frame.geometry.height, area.x, area.y);
        if (fit.width <= 0 || fit.height <= 0) return;
        if (!m_Bitmap.IsOk() || m_Bitmap.GetWidth() != fit.width ||
            m_Bitmap.GetHeight() != fit.height)
            m_Bitmap.Create(fit.width, fit.height, 24);
        wxNativePixelData data(m_Bitmap);
        if (!data) return;
        wxNativePixelData::Iterator origin(data);
        constexpr PixelOrder order =
            wxNativePixelFormat::RED == 0 ? PixelOrder::Rgb : PixelOrder::Bgr;
        static_assert(wxNativePixelFormat::SizePixel == 3, "three bytes a pixel expected");
        ScaleNearest(frame, reinterpret_cast<uint8_t*>(origin.m_ptr), fit.width, fit.height,
                     static_cast<size_t>(data.GetRowStride()), order);
        Refresh(false);
    }

  private:
    void Paint(wxDC& dc, wxSize area) override {
        if (m_Bitmap.IsOk())
            dc.DrawBitmap(m_Bitmap, (area.x - m_Bitmap.GetWidth()) / 2,
                          (area.y - m_Bitmap.GetHeight()) / 2);
    }

    wxBitmap m_Bitmap;
};

class HistogramPanel : public PaintedPanel {
  public:
    explicit HistogramPanel(wxWindow* parent)
        : PaintedPanel(parent, wxSize(256, 80), wxColour(32, 32, 32)) {}

    void Draw(const Histogram& levels) {
        m_Levels = levels;
        Refresh(false);
    }

  private:
    void Paint(wxDC& dc, wxSize area) override {
        const std::array<int, 256> bars = BarHeights(m_Levels, area.y);
        dc.SetPen(wxPen(wxColour(220, 220, 220)));
        for (int x = 0; x < area.x; ++x) {
            const int bar = bars[static_cast<size_t>(x * 256 / area.x)];
            if (bar > 0) dc.DrawLine(x, area.y, x, area.y - bar);
        }
    }

    Histogram m_Levels{};
};

class ViewerFrame : public wxFrame {
  public:
    explicit ViewerFrame(ViewerSession& session)
        : wxFrame(nullptr, wxID_ANY, "camhost view - " + wxString::FromUTF8(session.CameraName())),
          m_Session(session) {
        auto* panel = new wxPanel(this);
        m_Image = new ImagePanel(panel);
        m_Histogram = new HistogramPanel(panel);
        auto* configure = new wxButton(panel, wxID_ANY, "&Configure...");
        auto* snapshot = new wxButton(panel, wxID_ANY, "&Snapshot");
        auto* below = new wxBoxSizer(wxHORIZONTAL);
        below->Add(m_Histogram, 1, wxEXPAND | wxRIGHT, 8);
        auto* buttons = new wxBoxSizer(wxVERTICAL);
        buttons->Add(configure, 0, wxEXPAND | wxBOTTOM, 4);
        buttons->Add(snapshot, 0, wxEXPAND);
        below->Add(buttons, 0, wxALIGN_CENTER_VERTICAL);
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(m_Image, 1, wxEXPAND);
        column->Add(below, 0, wxEXPAND | wxALL, 8);
        panel->SetSizer(column);
        CreateStatusBar();
        SetStatusText(wxString::FromUTF8(m_Session.Status()));
        auto* frameSizer = new wxBoxSizer(wxVERTICAL);
        frameSizer->Add(panel, 1, wxEXPAND);
        SetSizerAndFit(frameSizer);

        configure->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_Session.Configure(); });
        snapshot->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
            const std::string path = m_Session.Snapshot();
            if (!path.empty()) m_Note = "written " + path;
        });
        // Escape closes the viewer wherever the focus is in it.
        Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
            if (event.GetKeyCode() == WXK_ESCAPE)
                Close();
            else
                event.Skip();
        });
        m_Refresh.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        m_End.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Close(); });
        Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
            m_Refresh.Stop();
            m_End.Stop();
            Destroy();
        });
        m_Refresh.Start(15);
        if (session.Options().seconds > 0)
            m_End.StartOnce(static_cast<int>(session.Options().seconds * 1000));
    }

  private:
    void Tick() {
        FrameView frame;
        if (m_Session.Poll(frame)) {
            m_Image->Draw(frame);
            m_Histogram->Draw(CountLevels(frame));
        }
        if (++m_Ticks % 16 == 0) {
            std::string status = m_Session.Status();
            if (!m_Note.empty()) status += "  " + m_Note;
            SetStatusText(wxString::FromUTF8(status));
        }
    }

    ViewerSession& m_Session;
    ImagePanel* m_Image = nullptr;
    HistogramPanel* m_Histogram = nullptr;
    // Owned by nobody else, so each timer delivers its events to itself.
    wxTimer m_Refresh;
    wxTimer m_End;
    unsigned m_Ticks = 0;
    std::string m_Note;
};

}  // namespace

bool OpenDisplay(std::string& why) {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
        why = "view needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set";
        return false;
    }
    // wx keeps pointers to its arguments for the life of the process.
    static char name[] = "camhost";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    wxApp::SetInstance(new ViewerApp);
    wxLogNull quiet;  // the reason is ours to print, in one line
    if (!wxEntryStart(argc, argv)) {
        why = std::string("the display \"") + (x11 ? x11 : wayland) + "\" cannot be opened";
        return false;
    }
    return true;
}

int RunViewerWindow(ViewerSession& session) {
    wxTheApp->CallOnInit();
    // wx's log messages would otherwise pop up boxes of their own.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    auto* frame = new ViewerFrame(session);
    frame->Show();
    wxTheApp->OnRun();
    session.Finish();
    wxEntryCleanup();
    return 0;
}

}  // namespace tarnix::camhost

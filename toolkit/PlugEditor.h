// The editor of a plug-in: PlugEditVST is what a format opens and closes in
// its host's window;
// PlugFrame is the top container inside the window host, which draws the
// background, gives controls their parameters, textures and fonts, polls the
// core every 10 ms tick and offers the frame menu. [GUI thread, except midiMapChanged]
//
// Lifetime: the window host, the frame and the controls live as long as the
// window; the editor lives as long as the effect. Whichever goes first
// detaches the other, so no tick, notification, paint or menu command ever
// reaches a released frame, editor or effect.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/ParamTable.h"
#include "core/Plug.h"
#include "core/PlugHost.h"
#include "toolkit/Winwrapper.h"

namespace DXBlit {
struct Font;
class StaticTexture;
}

namespace Vornkit {

/// The effect's look of its editor.
struct EditorDescription {
    int32_t width;
    int32_t height;
    uint32_t scratchSize;     ///< bytes of a zero-filled block kept while the editor lives
    uint32_t paramCount;      ///< entries of the editor's value cache
    int32_t colour;           ///< 0xRRGGBB of labels and the logo tint
    const char* textureName;  ///< background picture resource, or null
};

class PlugFrame;

/// Implemented by the effect: puts its controls into the frame.
class IEditBuilder {
public:
    virtual ~IEditBuilder() = default;
    virtual void buildEditor(PlugFrame* frame) = 0;
};

/// What the controls reach the plug-in through. Texts are 32-byte buffers.
class IPlugData {
public:
    virtual ~IPlugData() = default;
    virtual void setEditing(int32_t index, bool begin) = 0;
    virtual void setValue(int32_t index, float value) = 0;
    virtual void resetToDefault(int32_t index) = 0;
    virtual void getDefaultText(int32_t index, char* text) = 0;
    virtual void startLearn(int32_t index) = 0;
    virtual void unlearn(int32_t index) = 0;
    virtual void cancelLearn() = 0;
    virtual int32_t getMidiKey(int32_t index) = 0;
    virtual bool isLearning(int32_t index) = 0;
    /// The value the editor shows; its display text into `text` unless null.
    virtual float getValue(int32_t index, char* text) = 0;
    /// The parameter's value in the plug-in now: where an input starts from,
    /// since the shown value waits for the next poll.
    virtual float currentValue(int32_t index) = 0;
    virtual DXBlit::StaticTexture* getCommonTexture() = 0;
    /// 0: the small font, 1: the large one.
    virtual DXBlit::Font* getFont(int which) = 0;
    virtual int32_t getColour() = 0;
};

/// The frame menu's Size entries: Automatic, then each of PlugEditVST::kSizes.
inline constexpr uint32_t kSizeCommand = 100;

/// The maker's web site, opened by the frame menu's last item.
inline constexpr const char* kMakerSite = PlugCore::Plug::kWebSite;
inline constexpr char kMakerSiteItem[] = "&Go to morlenvale.example";

class PlugEditVST final : public PlugCore::IEditor, public IFrameController, public PlugCore::IParamNotify {
public:
    /// Hears the effect's notifications from now on; the effect owns it as its editor.
    PlugEditVST(PlugCore::Plug* effect, IEditBuilder* builder, const EditorDescription& description);
    ~PlugEditVST() override;

    // PlugCore::IEditor
    bool getSize(int32_t& width, int32_t& height) override;
    bool open(void* parentWindow) override;
    void close() override;
    bool isOpen() const override { return frame != nullptr; }
    void setVisible(bool visible) override;
    /// Closes, and ends the window now rather than when the host destroys its own.
    void detach() override;
    /// Where the window system waits to be asked (X11), its events are handled here.
    void idle() override;
    int eventDescriptor() const override;
    const char* windowSystemName() const override { return windowSystem().name(); }
    bool setHostScale(double scale) override;

    /// The editor's sizes, from 100 % to 300 %, and what decides among them:
    /// the user's choice (kept in a file beside the per-user defaults), else
    /// the host's scale, else the system's.
    static constexpr int kSizes[] = {100, 125, 150, 175, 200, 250, 300};
    /// The user's choice in percent, 0 for Automatic.
    int chosenSize() const;
    /// Makes `percent` (0: Automatic) the user's choice, keeps it and resizes
    /// an open editor if the host agrees. [GUI thread]
    void chooseSize(int percent);
    /// The scale the editor is shown at now (open), or would open at.
    float currentScale() const;

    // IFrameController
    void windowDestroyed() override;

    // IParamNotify
    bool paramChanged(uint32_t index, float value) override;
    void midiMapChanged(uint32_t index) override;

    PlugCore::Plug* getEffect() const { return effect; }
    const EditorDescription& description() const { return desc; }
    float cachedValue(uint32_t index) const { return index < desc.paramCount ? valueCache[index] : 0.0f; }
    /// The window host while its window lives (for tests and tools).
    Winwrapper* windowHost() const { return host; }

private:
    friend class PlugFrame;
    void lock();
    bool tryLock() { return editorLock.exchange(1, std::memory_order_acquire) == 0; }
    void unlock() { editorLock.store(0, std::memory_order_release); }
    /// Detaches and closes the window host whose window still lives, if any.
    void endWindow();
    /// Ends a drag in progress, so that the host hears the end of every gesture it heard begin.
    void endGestures();
    /// The scale the user's choice, the host or the system asks for, within 100 to 300 %.
    /// The scale to open at: the user's choice, the host's, else the system's
    /// (for the host's window `parent` when one is given).
    float wantedScale(void* parent = nullptr) const;
    bool openAt(void* parent, float scale);
    /// Shows the open editor at `newScale`: a new window of the new size in the same parent.
    void reopenAt(float newScale);
    std::string sizeFilePath() const;

    PlugCore::Plug* effect;
    EditorDescription desc;
    IEditBuilder* builder;
    PlugFrame* frame = nullptr;
    std::atomic<int32_t> editorLock{0};
    std::unique_ptr<uint8_t[]> scratch;
    std::unique_ptr<float[]> valueCache;
    void* parentWindow = nullptr;
    /// A learn ended (a new mapping or a cancel) since the last poll: the
    /// controls' "..learning.." must go even when no value changed. [set by any thread]
    std::atomic<bool> mapChanged{false};
    Winwrapper* host = nullptr;       ///< the window host whose window is alive, or null
    PlugFrame* hostFrame = nullptr;   ///< the frame in that window, open or not
    double hostScale = 0.0;           ///< the host's scale, 0 for none
    float openScale = 1.0f;           ///< the scale of the open window
};

class PlugFrame final : public Container, public IPlugData, public ITimerController {
public:
    PlugFrame(Winwrapper* host, PlugEditVST* editor);
    ~PlugFrame() override;

    bool hitTest(int, int) override { return true; }
    void releaseResources() override;
    bool mouseDown(int px, int py, int button, int mods) override;
    void menuCommand(uint32_t id) override;
    void draw(DXBlit::Context& context) override;

    // IPlugData
    void setEditing(int32_t index, bool begin) override;
    void setValue(int32_t index, float value) override;
    void resetToDefault(int32_t index) override;
    void getDefaultText(int32_t index, char* text) override;
    void startLearn(int32_t index) override;
    void unlearn(int32_t index) override;
    void cancelLearn() override;
    int32_t getMidiKey(int32_t index) override;
    bool isLearning(int32_t index) override;
    float getValue(int32_t index, char* text) override;
    float currentValue(int32_t index) override;
    DXBlit::StaticTexture* getCommonTexture() override { return common; }
    DXBlit::Font* getFont(int which) override { return which == 0 ? smallFont : largeFont; }
    int32_t getColour() override;

    // ITimerController
    void onTimer() override;

    /// The editor went away first: from now on the frame only draws what it has.
    void detach() { editor = nullptr; }

    PlugEditVST* editor;
    DXBlit::StaticTexture* background = nullptr;
    DXBlit::StaticTexture* common = nullptr;
    const float scale;  ///< the window's: window pixels per logical pixel
    int density = 1;    ///< of the pictures drawn: the smallest set at or above the scale
    DXBlit::Font* smallFont = nullptr;
    DXBlit::Font* largeFont = nullptr;
    bool showLogo = true;

private:
    PlugCore::Plug* effect() const { return editor ? editor->effect : nullptr; }
    bool inRange(int32_t index) const;
};

}  // namespace Vornkit

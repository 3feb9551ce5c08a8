#include "toolkit/PlugEditor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>
#include <thread>

#include "core/Plug.h"
#include "platform/system.h"
#include "platform/userfiles.h"
#include "render/Font.h"
#include "render/Image.h"

namespace Vornkit {

namespace {

// Pictures shared by every editor of the process, one set per density (1x,
// 2x, 3x); freed when the library unloads.
std::unique_ptr<Image> backgroundPicture[3];
std::unique_ptr<Image> commonPicture[3];

constexpr float kSmallestScale = 1.0f, kLargestScale = 3.0f;

constexpr size_t kTextBuffer = 32;

// The core's text for the controls' 32-byte buffers: at most 31 characters.
void fitText(const char* from, char* text)
{
    const size_t n = std::min(std::strlen(from), kTextBuffer - 1);
    std::memcpy(text, from, n);
    text[n] = 0;
}

// The picture `name` at `density` ("texture", "texture2x", "texture3x") as a
// texture whose texel coordinates stay in logical pixels.
DXBlit::StaticTexture* textureOf(std::unique_ptr<Image> (&caches)[3], const char* name, int density,
                                 DXBlit::Device* device)
{
    if (!device || density < 1 || density > 3) return nullptr;
    std::unique_ptr<Image>& cache = caches[density - 1];
    if (!cache) {
        const std::string resource = density == 1 ? std::string(name) : name + std::to_string(density) + "x";
        try {
            cache = loadImageResource(resource.c_str());
        } catch (const Image::Exception&) {
            return nullptr;  // a damaged picture: drawn without, tried again next time
        }
    }
    DXBlit::StaticTexture* t = cache ? cache->createTexture(*device) : nullptr;
    if (t) t->setDensity(static_cast<float>(density));
    return t;
}

// The smallest picture set at or above a scale.
int densityFor(float scale) { return scale <= 1.0f ? 1 : scale <= 2.0f ? 2 : 3; }

void releaseTexture(DXBlit::StaticTexture*& t)
{
    if (t) t->release();
    t = nullptr;
}

}  // namespace

// ---- PlugEditVST ------------------------------------------------------------

PlugEditVST::PlugEditVST(PlugCore::Plug* fx, IEditBuilder* b, const EditorDescription& d)
    : effect(fx), desc(d), builder(b)
{
    valueCache.reset(new float[desc.paramCount]);
    for (uint32_t i = 0; i < desc.paramCount; ++i) valueCache[i] = effect->getParameter(static_cast<int32_t>(i));
    if (desc.scratchSize) scratch.reset(new uint8_t[desc.scratchSize]());
    effect->setParamListener(this);
}

PlugEditVST::~PlugEditVST()
{
    if (frame) close();
    endWindow();  // the effect goes while its editor window lives
}

void PlugEditVST::endGestures()
{
    // Ending the capture ends the drag through captureLost, which sends the
    // end of the gesture while the frame still reaches the effect.
    if (host && host->captured) host->setCapture(nullptr);
}

void PlugEditVST::endWindow()
{
    if (!host) return;
    endGestures();
    // Cut every path from the window back into this editor and the effect, then close it.
    Winwrapper* h = host;
    host = nullptr;
    if (hostFrame) hostFrame->detach();
    hostFrame = nullptr;
    h->setTimer(nullptr);
    h->controller = nullptr;
    h->requestClose();
}

bool PlugEditVST::getSize(int32_t& width, int32_t& height)
{
    const float s = currentScale();
    width = Winwrapper::scaled(static_cast<uint32_t>(desc.width), s);
    height = Winwrapper::scaled(static_cast<uint32_t>(desc.height), s);
    return true;
}

float PlugEditVST::currentScale() const { return frame ? openScale : wantedScale(); }

float PlugEditVST::wantedScale(void* parent) const
{
    const int chosen = chosenSize();
    double s = chosen > 0 ? chosen / 100.0 : hostScale;
    if (chosen <= 0 && !(hostScale > 0.0))
        s = parent ? windowSystem().windowScale(parent) : windowSystem().systemScale();
    if (!(s >= kSmallestScale)) s = kSmallestScale;  // NaN too
    if (s > kLargestScale) s = kLargestScale;
    return static_cast<float>(s);
}

bool PlugEditVST::setHostScale(double scale)
{
    hostScale = scale > 0.0 && scale <= 100.0 ? scale : 0.0;
    if (chosenSize() > 0) return false;  // the user's choice decides
    const float wanted = wantedScale(parentWindow);
    if (frame && wanted != openScale) reopenAt(wanted);
    return true;
}

std::string PlugEditVST::sizeFilePath() const
{
    std::string folder;
    if (!effect || !Platform::appDataFolder(folder)) return {};
    const char sep = Platform::pathSeparator();
    return folder + sep + "Morlenvale" + sep + effect->getProductName() + ".editor";
}

int PlugEditVST::chosenSize() const
{
    // "size=150" (or "size=auto"), as chooseSize writes it; anything else is Automatic.
    const std::string path = sizeFilePath();
    std::vector<uint8_t> bytes;
    if (path.empty() || Platform::readWholeFile(path, 256, bytes) != Platform::ReadResult::Ok) return 0;
    const std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 5, "size=") != 0) return 0;
    const int percent = std::atoi(text.c_str() + 5);
    for (int size : kSizes)
        if (size == percent) return percent;
    return 0;
}

void PlugEditVST::chooseSize(int percent)
{
    const std::string path = sizeFilePath();
    if (!path.empty()) {
        const std::string text = percent > 0 ? "size=" + std::to_string(percent) + "\n" : "size=auto\n";
        const size_t cut = path.find_last_of(Platform::pathSeparator());
        Platform::createFolders(path.substr(0, cut));
        Platform::writeFileReplacing(path, text.data(), text.size());
    }
    const float wanted = wantedScale(parentWindow);
    if (!frame || wanted == openScale) return;
    // The host sizes its window first; one that refuses keeps the editor as it is.
    PlugCore::IHost* h = effect ? effect->getHost() : nullptr;
    const int32_t w = Winwrapper::scaled(static_cast<uint32_t>(desc.width), wanted);
    const int32_t ht = Winwrapper::scaled(static_cast<uint32_t>(desc.height), wanted);
    if (h && h->resizeEditor(w, ht)) reopenAt(wanted);
}

void PlugEditVST::reopenAt(float newScale)
{
    if (!frame) return;
    void* parent = parentWindow;
    detach();
    openAt(parent, newScale);
}

void PlugEditVST::lock()
{
    while (!tryLock()) std::this_thread::yield();
}

bool PlugEditVST::open(void* parent)
{
    // The host sized its window before it had one to ask about: where the window
    // turns out to have another scale (a monitor of its own DPI), the host is
    // asked for the size that fits; one that refuses gets the size it was told.
    const float told = wantedScale();
    float scale = wantedScale(parent);
    if (scale != told) {
        PlugCore::IHost* h = effect ? effect->getHost() : nullptr;
        if (!h || !h->resizeEditor(Winwrapper::scaled(static_cast<uint32_t>(desc.width), scale),
                                   Winwrapper::scaled(static_cast<uint32_t>(desc.height), scale)))
            scale = told;
    }
    return openAt(parent, scale);
}

bool PlugEditVST::openAt(void* parent, float scale)
{
    lock();
    bool opened = true;
    if (!frame) {
        endWindow();  // reopened before the host destroyed the previous window: that one is ours to end
        auto* h = new Winwrapper(this, static_cast<uint32_t>(desc.width), static_cast<uint32_t>(desc.height), parent,
                                 scale);
        if (h->windowCreated()) {
            openScale = scale;
            parentWindow = parent;
            host = h;
            frame = hostFrame = new PlugFrame(h, this);
            if (builder) builder->buildEditor(frame);
            h->setTimer(frame);
        } else {
            delete h;  // never shown, never sent anything: ours to delete
            opened = false;
        }
    }
    unlock();
    return opened;
}

void PlugEditVST::close()
{
    lock();
    if (frame) {
        endGestures();
        if (frame->parent) frame->parent->releaseResources();
        frame = nullptr;
        parentWindow = nullptr;
    }
    unlock();
}

void PlugEditVST::setVisible(bool visible)
{
    if (host) host->showWindow(visible);
}

void PlugEditVST::detach()
{
    close();
    endWindow();
}

void PlugEditVST::idle() { windowSystem().pump(); }

int PlugEditVST::eventDescriptor() const { return windowSystem().eventDescriptor(); }

void PlugEditVST::windowDestroyed()
{
    if (isOpen()) close();
    host = nullptr;
    hostFrame = nullptr;
}

bool PlugEditVST::paramChanged(uint32_t index, float value)
{
    if (!tryLock()) return false;
    if (index < desc.paramCount) valueCache[index] = value;  // beyond the cache: nothing to show
    if (frame) frame->redraw();
    unlock();
    return true;
}

void PlugEditVST::midiMapChanged(uint32_t)
{
    // From the audio thread: only a flag, which the next poll turns into a repaint.
    mapChanged.store(true, std::memory_order_release);
}

// ---- PlugFrame --------------------------------------------------------------

PlugFrame::PlugFrame(Winwrapper* h, PlugEditVST* e)
    : Container(h, static_cast<uint32_t>(e->desc.width), static_cast<uint32_t>(e->desc.height)),
      editor(e),
      scale(h ? h->scale : 1.0f)
{
}

PlugFrame::~PlugFrame()
{
    deleteChildren();  // while the frame they end their gestures through is still whole
    releaseResources();
}

void PlugFrame::releaseResources()
{
    releaseTexture(background);
    releaseTexture(common);
    DXBlit::disposeFont(smallFont);
    DXBlit::disposeFont(largeFont);
    smallFont = largeFont = nullptr;
    Container::releaseResources();
}

void PlugFrame::draw(DXBlit::Context& context)
{
    using namespace DXBlit;
    const char* backgroundName = editor ? editor->desc.textureName : nullptr;
    density = densityFor(scale);
    if (backgroundName && !background)
        background = textureOf(backgroundPicture, backgroundName, density, context.getDevice());
    if (!common) common = textureOf(commonPicture, "commonTextures", density, context.getDevice());
    if (!smallFont) smallFont = createFont(context, 8, scale);
    if (!largeFont) largeFont = createFont(context, 10, scale);

    const float w = static_cast<float>(width), h = static_cast<float>(height);
    if (background) {
        Shader s(context, kBlendOpaque, kTexModulate, background);
        drawQuad(context, makeQuad(0, 0, w, h, 0, 0, 0xFFFFFFFF));
    }
    if (common && showLogo) {
        Shader s(context, kBlendPremultiplied, kTexModulate, common);
        drawQuad(context, makeQuad(w - 90, h - 34, 90, 30, 422, 50, static_cast<uint32_t>(getColour()) | 0xFF000000u));
    }
    Container::draw(context);
}

bool PlugFrame::mouseDown(int px, int py, int button, int mods)
{
    if (Container::mouseDown(px, py, button, mods)) return false;
    if (px <= static_cast<int>(width) - 90 || py <= static_cast<int>(height) - 30) return false;
    std::unique_ptr<Menu> menu = createMenu(this);
    if (!menu) return true;
    menu->addItem("&Save defaults...", 0, true);
    menu->addItem("&Load defaults...", 1, true);
    menu->addItem("Load &factory defaults...", 2, true);
    if (Menu* sizes = editor ? menu->addSubmenu("Si&ze") : nullptr) {
        const int chosen = editor->chosenSize();
        sizes->addItem("&Automatic", kSizeCommand, true, chosen == 0);
        for (size_t i = 0; i < std::size(PlugEditVST::kSizes); ++i) {
            const std::string label = std::to_string(PlugEditVST::kSizes[i]) + " %";
            sizes->addItem(label.c_str(), kSizeCommand + 1 + static_cast<uint32_t>(i), true,
                           chosen == PlugEditVST::kSizes[i]);
        }
    }
    menu->addSeparator();
    menu->addItem(kMakerSiteItem, 3, true);
    menu->show(static_cast<int>(width) - 90, static_cast<int>(height));
    return true;
}

void PlugFrame::menuCommand(uint32_t id)
{
    PlugCore::Plug* fx = effect();
    if (!fx) return;
    const char* product = fx->getProductName();
    switch (id) {
    case 0:
        if (confirm("Saving new defaults for:\n - parameter values (current values) and presets\n"
                    " - MIDI mappings (current mappings)\n",
                    product))
            fx->saveDefaults();
        break;
    case 1:
        if (confirm("Loading default settings and presets.", product)) {
            fx->loadFactoryBank();
            fx->loadDefaults();
        }
        break;
    case 2:
        if (confirm("Loading factor default settings and presets.", product)) fx->loadFactoryBank();
        break;
    case 3: Platform::openUrl(kMakerSite); break;
    default:
        if (editor && id >= kSizeCommand && id <= kSizeCommand + std::size(PlugEditVST::kSizes))
            editor->chooseSize(id == kSizeCommand ? 0 : PlugEditVST::kSizes[id - kSizeCommand - 1]);
        break;
    }
}

void PlugFrame::onTimer()
{
    PlugCore::Plug* fx = effect();
    if (!fx) return;
    fx->pollForEditor(editor);
    // A learn that ended on a value equal to the shown one changes no value,
    // but its "..learning.." must still go.
    if (editor->mapChanged.exchange(false, std::memory_order_acq_rel)) redraw();
}

bool PlugFrame::inRange(int32_t index) const
{
    const PlugCore::Plug* fx = effect();
    return fx && index >= 0 && static_cast<uint32_t>(index) < fx->paramCount();
}

void PlugFrame::setEditing(int32_t index, bool begin)
{
    PlugCore::Plug* fx = effect();
    if (!fx) return;
    if (begin)
        fx->beginEdit(static_cast<uint32_t>(index));
    else
        fx->endEdit(static_cast<uint32_t>(index));
}

void PlugFrame::setValue(int32_t index, float value)
{
    if (PlugCore::Plug* fx = effect()) fx->setParameterAutomated(index, value);
}

void PlugFrame::resetToDefault(int32_t index)
{
    if (PlugCore::Plug* fx = effect()) fx->resetToDefault(static_cast<uint32_t>(index));
}

void PlugFrame::getDefaultText(int32_t index, char* text)
{
    text[0] = 0;
    if (!inRange(index)) return;
    char full[256] = {};
    effect()->getDefaultText(static_cast<uint32_t>(index), full);
    fitText(full, text);
}

void PlugFrame::startLearn(int32_t index)
{
    if (inRange(index)) effect()->startLearn(static_cast<uint32_t>(index));
}

void PlugFrame::unlearn(int32_t index)
{
    if (PlugCore::Plug* fx = effect()) fx->unlearn(static_cast<uint32_t>(index));
}

void PlugFrame::cancelLearn()
{
    if (PlugCore::Plug* fx = effect()) fx->cancelLearn();
}

int32_t PlugFrame::getMidiKey(int32_t index)
{
    return inRange(index) ? effect()->getMidiKey(static_cast<uint32_t>(index)) : -1;
}

bool PlugFrame::isLearning(int32_t index)
{
    PlugCore::Plug* fx = effect();
    return fx && fx->isLearning(static_cast<uint32_t>(index));
}

float PlugFrame::getValue(int32_t index, char* text)
{
    if (text) text[0] = 0;
    if (!editor || index < 0) return 0.0f;
    const float v = editor->cachedValue(static_cast<uint32_t>(index));
    if (text && inRange(index)) {
        char full[256] = {};
        effect()->formatParamWithLabel(static_cast<uint32_t>(index), v, full);
        fitText(full, text);
    }
    return v;
}

float PlugFrame::currentValue(int32_t index)
{
    return inRange(index) ? effect()->getParameter(index) : 0.0f;
}

int32_t PlugFrame::getColour() { return editor ? editor->desc.colour : 0xFFFFFF; }

}  // namespace Vornkit

// Our declarations of the VST3 interfaces Vesk2 implements or calls, written
// from the published interface facts: identifiers, method order, structure
// layouts and constants. Interfaces are C++ classes of pure virtual methods
// in their published order (the vtable is the ABI), without virtual
// destructors; structures keep the published field order on 64-bit targets.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Vst3 {

static_assert(sizeof(void*) == 8, "the VST3 layouts here are those of 64-bit targets");

using tresult = int32_t;
using TBool = uint8_t;
using TChar = char16_t;
using String128 = TChar[128];
using FIDString = const char*;
using TUID = char[16];

using ParamID = uint32_t;
using ParamValue = double;
using UnitID = int32_t;
using ProgramListID = int32_t;
using MediaType = int32_t;
using BusDirection = int32_t;
using BusType = int32_t;
using IoMode = int32_t;
using SpeakerArrangement = uint64_t;
using CtrlNumber = int16_t;
using TSamples = int64_t;
using TQuarterNotes = double;

// Results: COM's values on Windows, small numbers elsewhere.
#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002);
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFF);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000E);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif
constexpr tresult kResultTrue = kResultOk;

/// An interface or class identifier: four 32-bit words, stored in COM's GUID
/// byte order on Windows and most significant byte first elsewhere, so that
/// its text form is the same on both.
struct Uid {
    char bytes[16];
};

constexpr char byteOf(uint32_t word, int shift) { return static_cast<char>((word >> shift) & 0xFF); }

constexpr Uid makeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4)
{
#if defined(_WIN32)
    return {{byteOf(l1, 0), byteOf(l1, 8), byteOf(l1, 16), byteOf(l1, 24), byteOf(l2, 16), byteOf(l2, 24),
             byteOf(l2, 0), byteOf(l2, 8), byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8), byteOf(l3, 0),
             byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8), byteOf(l4, 0)}};
#else
    return {{byteOf(l1, 24), byteOf(l1, 16), byteOf(l1, 8), byteOf(l1, 0), byteOf(l2, 24), byteOf(l2, 16),
             byteOf(l2, 8), byteOf(l2, 0), byteOf(l3, 24), byteOf(l3, 16), byteOf(l3, 8), byteOf(l3, 0),
             byteOf(l4, 24), byteOf(l4, 16), byteOf(l4, 8), byteOf(l4, 0)}};
#endif
}

inline bool sameUid(const char* a, const Uid& b)
{
    if (!a) return false;
    for (int i = 0; i < 16; ++i)
        if (a[i] != b.bytes[i]) return false;
    return true;
}

// ---- base ----------------------------------------------------------------------------

class FUnknown {
public:
    virtual tresult queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

protected:
    ~FUnknown() = default;
};

enum SeekMode : int32_t { kIBSeekSet = 0, kIBSeekCur, kIBSeekEnd };

class IBStream : public FUnknown {
public:
    virtual tresult read(void* buffer, int32_t numBytes, int32_t* numBytesRead) = 0;
    virtual tresult write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) = 0;
    virtual tresult seek(int64_t pos, int32_t mode, int64_t* result) = 0;
    virtual tresult tell(int64_t* pos) = 0;
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

protected:
    ~IBStream() = default;
};

class IPluginBase : public FUnknown {
public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

protected:
    ~IPluginBase() = default;
};

struct PFactoryInfo {
    enum { kURLSize = 256, kEmailSize = 128, kNameSize = 64 };
    enum FactoryFlags : int32_t { kNoFlags = 0, kClassesDiscardable = 1 << 0, kComponentNonDiscardable = 1 << 3, kUnicode = 1 << 4 };
    char vendor[kNameSize];
    char url[kURLSize];
    char email[kEmailSize];
    int32_t flags;
};

struct PClassInfo {
    enum { kManyInstances = 0x7FFFFFFF, kCategorySize = 32, kNameSize = 64 };
    TUID cid;
    int32_t cardinality;
    char category[kCategorySize];
    char name[kNameSize];
};

struct PClassInfo2 {
    enum { kVendorSize = 64, kVersionSize = 64, kSubCategoriesSize = 128 };
    TUID cid;
    int32_t cardinality;
    char category[PClassInfo::kCategorySize];
    char name[PClassInfo::kNameSize];
    uint32_t classFlags;
    char subCategories[kSubCategoriesSize];
    char vendor[kVendorSize];
    char version[kVersionSize];
    char sdkVersion[kVersionSize];
};

struct PClassInfoW {
    TUID cid;
    int32_t cardinality;
    char category[PClassInfo::kCategorySize];
    char16_t name[PClassInfo::kNameSize];
    uint32_t classFlags;
    char subCategories[PClassInfo2::kSubCategoriesSize];
    char16_t vendor[PClassInfo2::kVendorSize];
    char16_t version[PClassInfo2::kVersionSize];
    char16_t sdkVersion[PClassInfo2::kVersionSize];
};

class IPluginFactory : public FUnknown {
public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t countClasses() = 0;
    virtual tresult getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult createInstance(FIDString cid, FIDString iid, void** obj) = 0;
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

protected:
    ~IPluginFactory() = default;
};

class IPluginFactory2 : public IPluginFactory {
public:
    virtual tresult getClassInfo2(int32_t index, PClassInfo2* info) = 0;
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

protected:
    ~IPluginFactory2() = default;
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    virtual tresult getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;
    static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

protected:
    ~IPluginFactory3() = default;
};

/// The class category of an audio processor component.
constexpr const char* kVstAudioEffectClass = "Audio Module Class";

// ---- components and processing ----------------------------------------------------------

enum MediaTypes : int32_t { kAudio = 0, kEvent };
enum BusDirections : int32_t { kInput = 0, kOutput };
enum BusTypes : int32_t { kMain = 0, kAux };
enum SymbolicSampleSizes : int32_t { kSample32 = 0, kSample64 };
enum ProcessModes : int32_t { kRealtime = 0, kPrefetch, kOffline };
constexpr SpeakerArrangement kSpeakerStereo = 0x3;  // left and right
constexpr uint32_t kNoTail = 0;
constexpr uint32_t kInfiniteTail = 0xFFFFFFFFu;

struct BusInfo {
    enum BusFlags : uint32_t { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };
    MediaType mediaType;
    BusDirection direction;
    int32_t channelCount;
    String128 name;
    BusType busType;
    uint32_t flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32_t busIndex;
    int32_t channel;
};

class IComponent : public IPluginBase {
public:
    virtual tresult getControllerClassId(TUID classId) = 0;
    virtual tresult setIoMode(IoMode mode) = 0;
    virtual int32_t getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult activateBus(MediaType type, BusDirection dir, int32_t index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

protected:
    ~IComponent() = default;
};

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

class IParamValueQueue : public FUnknown {
public:
    virtual ParamID getParameterId() = 0;
    virtual int32_t getPointCount() = 0;
    virtual tresult getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
    virtual tresult addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);

protected:
    ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
public:
    virtual int32_t getParameterCount() = 0;
    virtual IParamValueQueue* getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) = 0;
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

protected:
    ~IParameterChanges() = default;
};

class IEventList;  // notes and other events: not read by Vesk2

struct Chord {
    uint8_t keyNote;
    uint8_t rootNote;
    int16_t chordMask;
};

struct FrameRate {
    uint32_t framesPerSecond;
    uint32_t flags;
};

struct ProcessContext {
    enum StatesAndFlags : uint32_t {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };
    uint32_t state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64_t systemTime;
    TSamples continousTimeSamples;
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    Chord chord;
    int32_t smpteOffsetSubframes;
    FrameRate frameRate;
    int32_t samplesToNextClock;
};

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                       int32_t numOuts) = 0;
    virtual tresult getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement& arr) = 0;
    virtual tresult canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData& data) = 0;
    virtual uint32_t getTailSamples() = 0;
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

protected:
    ~IAudioProcessor() = default;
};

class IProcessContextRequirements : public FUnknown {
public:
    enum Flags : uint32_t {
        kNeedProjectTimeMusic = 1 << 2,
        kNeedTempo = 1 << 6,
        kNeedTransportState = 1 << 10,
    };
    virtual uint32_t getProcessContextRequirements() = 0;
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);

protected:
    ~IProcessContextRequirements() = default;
};

// ---- the edit controller -------------------------------------------------------------------

struct ParameterInfo {
    enum ParameterFlags : int32_t {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32_t flags;
};

enum RestartFlags : int32_t {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
    kMidiCCAssignmentChanged = 1 << 5,
};

class IComponentHandler : public FUnknown {
public:
    virtual tresult beginEdit(ParamID id) = 0;
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult endEdit(ParamID id) = 0;
    virtual tresult restartComponent(int32_t flags) = 0;
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

protected:
    ~IComponentHandler() = default;
};

class IPlugView;

class IEditController : public IPluginBase {
public:
    virtual tresult setComponentState(IBStream* state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    virtual int32_t getParameterCount() = 0;
    virtual tresult getParameterInfo(int32_t paramIndex, ParameterInfo& info) = 0;
    virtual tresult getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
    virtual tresult getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue getParamNormalized(ParamID id) = 0;
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* createView(FIDString name) = 0;
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);

protected:
    ~IEditController() = default;
};

class IMidiMapping : public FUnknown {
public:
    virtual tresult getMidiControllerAssignment(int32_t busIndex, int16_t channel, CtrlNumber midiControllerNumber,
                                                ParamID& id) = 0;
    static constexpr Uid iid = makeUid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);

protected:
    ~IMidiMapping() = default;
};

constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32_t programCount;
};

class IUnitInfo : public FUnknown {
public:
    virtual int32_t getUnitCount() = 0;
    virtual tresult getUnitInfo(int32_t unitIndex, UnitInfo& info) = 0;
    virtual int32_t getProgramListCount() = 0;
    virtual tresult getProgramListInfo(int32_t listIndex, ProgramListInfo& info) = 0;
    virtual tresult getProgramName(ProgramListID listId, int32_t programIndex, String128 name) = 0;
    virtual tresult getProgramInfo(ProgramListID listId, int32_t programIndex, const char* attributeId,
                                   String128 attributeValue) = 0;
    virtual tresult hasProgramPitchNames(ProgramListID listId, int32_t programIndex) = 0;
    virtual tresult getProgramPitchName(ProgramListID listId, int32_t programIndex, int16_t midiPitch,
                                        String128 name) = 0;
    virtual UnitID getSelectedUnit() = 0;
    virtual tresult selectUnit(UnitID unitId) = 0;
    virtual tresult getUnitByBus(MediaType type, BusDirection dir, int32_t busIndex, int32_t channel,
                                 UnitID& unitId) = 0;
    virtual tresult setUnitProgramData(int32_t listOrUnitId, int32_t programIndex, IBStream* data) = 0;
    static constexpr Uid iid = makeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);

protected:
    ~IUnitInfo() = default;
};

class IHostApplication : public FUnknown {
public:
    virtual tresult getName(String128 name) = 0;
    virtual tresult createInstance(TUID cid, TUID iid, void** obj) = 0;
    static constexpr Uid iid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

protected:
    ~IHostApplication() = default;
};

// ---- the editor's view ---------------------------------------------------------------------

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    virtual tresult isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult attached(void* parent, FIDString type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(IPlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

protected:
    ~IPlugView() = default;
};

/// The host's scale for the view (2 for 200 %), on systems that count window pixels.
class IPlugViewContentScaleSupport : public FUnknown {
public:
    virtual tresult setContentScaleFactor(float factor) = 0;
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);

protected:
    ~IPlugViewContentScaleSupport() = default;
};

class IPlugFrame : public FUnknown {
public:
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

protected:
    ~IPlugFrame() = default;
};

// The host's run loop on Linux, found on the plug frame: where the plug-in's
// timers and descriptor watches run.
class IEventHandler : public FUnknown {
public:
    virtual void onFDIsSet(int fd) = 0;
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

protected:
    ~IEventHandler() = default;
};

class ITimerHandler : public FUnknown {
public:
    virtual void onTimer() = 0;
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

protected:
    ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
public:
    virtual tresult registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);

protected:
    ~IRunLoop() = default;
};

// ---- the published layouts ---------------------------------------------------------------------

static_assert(sizeof(PFactoryInfo) == 452 && offsetof(PFactoryInfo, flags) == 448, "PFactoryInfo");
static_assert(sizeof(PClassInfo) == 116 && offsetof(PClassInfo, name) == 52, "PClassInfo");
static_assert(sizeof(PClassInfo2) == 440 && offsetof(PClassInfo2, classFlags) == 116 &&
                  offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, vendor) == 248 &&
                  offsetof(PClassInfo2, sdkVersion) == 376,
              "PClassInfo2");
static_assert(sizeof(PClassInfoW) == 696 && offsetof(PClassInfoW, classFlags) == 180 &&
                  offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, sdkVersion) == 568,
              "PClassInfoW");
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, busType) == 268, "BusInfo");
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16, "ProcessSetup");
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8 &&
                  offsetof(AudioBusBuffers, channelBuffers32) == 16,
              "AudioBusBuffers");
static_assert(sizeof(ProcessData) == 80 && offsetof(ProcessData, inputs) == 24 &&
                  offsetof(ProcessData, processContext) == 72,
              "ProcessData");
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, tempo) == 72 &&
                  offsetof(ProcessContext, chord) == 88 && offsetof(ProcessContext, frameRate) == 96 &&
                  offsetof(ProcessContext, samplesToNextClock) == 104,
              "ProcessContext");
static_assert(sizeof(ParameterInfo) == 792 && offsetof(ParameterInfo, stepCount) == 772 &&
                  offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, flags) == 788,
              "ParameterInfo");
static_assert(sizeof(UnitInfo) == 268 && offsetof(UnitInfo, programListId) == 264, "UnitInfo");
static_assert(sizeof(ProgramListInfo) == 264 && offsetof(ProgramListInfo, programCount) == 260, "ProgramListInfo");
static_assert(sizeof(ViewRect) == 16 && sizeof(RoutingInfo) == 12, "ViewRect, RoutingInfo");

}  // namespace Vst3

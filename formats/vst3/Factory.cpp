// The module's exports: GetPluginFactory with its one class, and the entry
// and exit functions hosts call around it.
#include <cstring>

#include "core/Plug.h"
#include "formats/vst3/Com.h"
#include "formats/vst3/Vst3Plug.h"

namespace Vst3 {

namespace {

constexpr const char* kName = "Vesk2";
constexpr const char* kSubCategories = "Fx|Reverb";
constexpr const char* kSdkVersion = "VST 3.7.0";  // the newest interface version used (hidden parameters)

/// The factory lives as long as the module: counting its references changes nothing.
class Factory final : public IPluginFactory3 {
public:
    tresult queryInterface(const TUID id, void** obj) override
    {
        if (!obj) return kInvalidArgument;
        if (sameUid(id, FUnknown::iid) || sameUid(id, IPluginFactory::iid) || sameUid(id, IPluginFactory2::iid) ||
            sameUid(id, IPluginFactory3::iid))
            return handOut(this, obj);
        return noInterface(obj);
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override
    {
        if (!info) return kInvalidArgument;
        *info = {};
        copyText(info->vendor, sizeof info->vendor, PlugCore::Plug::kVendor);
        copyText(info->url, sizeof info->url, PlugCore::Plug::kWebSite);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }
    int32_t countClasses() override { return 1; }
    tresult getClassInfo(int32_t index, PClassInfo* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        *info = {};
        std::memcpy(info->cid, kEffectClassId.bytes, sizeof info->cid);
        info->cardinality = PClassInfo::kManyInstances;
        copyText(info->category, sizeof info->category, kVstAudioEffectClass);
        copyText(info->name, sizeof info->name, kName);
        return kResultOk;
    }
    tresult createInstance(FIDString cid, FIDString wanted, void** obj) override
    {
        if (!obj) return kInvalidArgument;
        *obj = nullptr;
        if (!sameUid(cid, kEffectClassId) || !wanted) return kNoInterface;
        FUnknown* made = Vst3::createInstance();
        if (!made) return kOutOfMemory;
        const tresult r = made->queryInterface(wanted, obj);
        made->release();
        return r;
    }
    tresult getClassInfo2(int32_t index, PClassInfo2* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        *info = {};
        std::memcpy(info->cid, kEffectClassId.bytes, sizeof info->cid);
        info->cardinality = PClassInfo::kManyInstances;
        copyText(info->category, sizeof info->category, kVstAudioEffectClass);
        copyText(info->name, sizeof info->name, kName);
        copyText(info->subCategories, sizeof info->subCategories, kSubCategories);
        copyText(info->vendor, sizeof info->vendor, PlugCore::Plug::kVendor);
        copyText(info->version, sizeof info->version, VESK_VERSION_STRING);
        copyText(info->sdkVersion, sizeof info->sdkVersion, kSdkVersion);
        return kResultOk;
    }
    tresult getClassInfoUnicode(int32_t index, PClassInfoW* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        *info = {};
        std::memcpy(info->cid, kEffectClassId.bytes, sizeof info->cid);
        info->cardinality = PClassInfo::kManyInstances;
        copyText(info->category, sizeof info->category, kVstAudioEffectClass);
        toUtf16(kName, info->name, PClassInfo::kNameSize);
        copyText(info->subCategories, sizeof info->subCategories, kSubCategories);
        toUtf16(PlugCore::Plug::kVendor, info->vendor, PClassInfo2::kVendorSize);
        toUtf16(VESK_VERSION_STRING, info->version, PClassInfo2::kVersionSize);
        toUtf16(kSdkVersion, info->sdkVersion, PClassInfo2::kVersionSize);
        return kResultOk;
    }
    tresult setHostContext(FUnknown*) override { return kResultOk; }
};

Factory factory;

}  // namespace

}  // namespace Vst3

extern "C" {

VESK_EXPORT Vst3::IPluginFactory* GetPluginFactory() { return &Vst3::factory; }

#if defined(_WIN32)
VESK_EXPORT bool InitDll() { return true; }
VESK_EXPORT bool ExitDll() { return true; }
#else
VESK_EXPORT bool ModuleEntry(void*) { return true; }
VESK_EXPORT bool ModuleExit() { return true; }
#endif

}  // extern "C"

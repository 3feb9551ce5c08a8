#include "formats/vst2/AudioEffect.h"

#include <cstring>
#include <exception>

namespace {

// The trampolines are the border to the host: nothing may unwind past them,
// so an exception (only std::bad_alloc can arise) ends the call neutrally.

AudioEffect* objectOf(AEffect* e) { return AudioEffect::fromAeffect(e); }

VstIntPtr VSTCALLBACK dispatchTrampoline(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt)
{
    AudioEffect* fx = objectOf(e);
    if (!fx) return 0;
    VstIntPtr result = 0;
    try {
        result = fx->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        result = 0;
    }
    if (opcode == effClose) {
        delete fx;
        return 1;
    }
    return result;
}

void VSTCALLBACK processTrampoline(AEffect* e, float** in, float** out, VstInt32 frames)
{
    if (AudioEffect* fx = objectOf(e)) try {
            fx->process(in, out, frames);
        } catch (...) {
        }
}

void VSTCALLBACK processReplacingTrampoline(AEffect* e, float** in, float** out, VstInt32 frames)
{
    if (AudioEffect* fx = objectOf(e)) try {
            fx->processReplacing(in, out, frames);
        } catch (...) {
        }
}

void VSTCALLBACK processDoubleTrampoline(AEffect* e, double** in, double** out, VstInt32 frames)
{
    if (AudioEffect* fx = objectOf(e)) try {
            fx->processDoubleReplacing(in, out, frames);
        } catch (...) {
        }
}

void VSTCALLBACK setParameterTrampoline(AEffect* e, VstInt32 index, float value)
{
    if (AudioEffect* fx = objectOf(e)) fx->setParameter(index, value);
}

float VSTCALLBACK getParameterTrampoline(AEffect* e, VstInt32 index)
{
    AudioEffect* fx = objectOf(e);
    return fx ? fx->getParameter(index) : 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback hostCallback, VstInt32 programs, VstInt32 params)
    : host(hostCallback), numPrograms(programs), numParams(params)
{
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchTrampoline;
    cEffect.process = processTrampoline;
    cEffect.setParameter = setParameterTrampoline;
    cEffect.getParameter = getParameterTrampoline;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingTrampoline;
    cEffect.processDoubleReplacing = processDoubleTrampoline;
}

AudioEffect::~AudioEffect()
{
    delete editor;
}

AudioEffect* AudioEffect::fromAeffect(AEffect* effect)
{
    if (!effect || effect->magic != kEffectMagic) return nullptr;
    return static_cast<AudioEffect*>(effect->object);
}

void AudioEffect::setEditor(AEffEditor* newEditor)
{
    delete editor;
    editor = newEditor;
    if (editor)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return host ? host(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }
void AudioEffect::process(float**, float**, VstInt32) {}
void AudioEffect::processReplacing(float**, float**, VstInt32) {}
void AudioEffect::processDoubleReplacing(double**, double**, VstInt32) {}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    // Every pointer comes from the host: a null one makes the opcode a no-op.
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName:
        if (text) setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text) getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text) getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text && index >= 0 && index < numParams) getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text) getParameterName(index, text);
        return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect: return editor && ptr ? (editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0) : 0;
    case effEditOpen: return editor ? (editor->open(ptr) ? 1 : 0) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify: return vstFourCC('R', 'u', 'V', 'o');
    case effGetChunk: return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk: return ptr ? setChunk(ptr, static_cast<VstInt32>(value), index != 0) : 0;
    default: return 0;
    }
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (opcode < effProcessEvents || opcode > effGetNumMidiOutputChannels)
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);

    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories: return 1;
    case effGetProgramNameIndexed:
        return text && getProgramNameIndexed(static_cast<VstInt32>(value), index, text) ? 1 : 0;
    case effConnectInput:
    case effConnectOutput: return 1;
    case effGetInputProperties:
        return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
        return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<VstInt32>(value));
        setSampleRate(opt);
        return 1;
    case effGetEffectName: return text && getEffectName(text) ? 1 : 0;
    case effGetVendorString: return text && getVendorString(text) ? 1 : 0;
    case effGetProductString: return text && getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text ? canDo(text) : 0;
    case effKeysRequired: return 1;
    case effGetVstVersion: return getVstVersion();
    case effGetCurrentMidiProgram: return -1;
    case effGetSpeakerArrangement:
        // No arrangement of our own: both answers are null.
        if (value) *reinterpret_cast<void**>(value) = nullptr;
        if (ptr) *static_cast<void**>(ptr) = nullptr;
        return 0;
    case effSetTotalSampleToProcess: return value;
    default: return 0;
    }
}

bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }

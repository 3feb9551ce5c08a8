// Host-side VST3 objects vesk-host hands to a plug-in (and the tests hand to
// Vesk2's bundle): a memory stream and the parameter changes of a process
// call. They live as long as their owner: counting their references changes nothing.
#pragma once

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "formats/vst3/vst3.h"

namespace HostKit::Vst3Objects {

using namespace ::Vst3;

/// An object of the host's, owned by it.
template <class I>
class Owned : public I {
public:
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }

protected:
    ~Owned() = default;
    tresult answer(const TUID id, void** obj, const Uid& mine)
    {
        if (!obj) return kInvalidArgument;
        if (sameUid(id, FUnknown::iid) || sameUid(id, mine)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
};

/// A growing memory stream, read from its start.
class MemoryStream final : public Owned<IBStream> {
public:
    std::vector<uint8_t> bytes;
    size_t at = 0;

    tresult queryInterface(const TUID id, void** obj) override { return answer(id, obj, IBStream::iid); }
    tresult read(void* buffer, int32_t n, int32_t* got) override
    {
        const size_t take = n > 0 ? std::min(static_cast<size_t>(n), bytes.size() - at) : 0;
        if (take) std::memcpy(buffer, bytes.data() + at, take);
        at += take;
        if (got) *got = static_cast<int32_t>(take);
        return kResultOk;
    }
    tresult write(void* buffer, int32_t n, int32_t* wrote) override
    {
        if (n < 0) return kInvalidArgument;
        const auto* b = static_cast<const uint8_t*>(buffer);
        if (at + static_cast<size_t>(n) > bytes.size()) bytes.resize(at + static_cast<size_t>(n));
        std::copy(b, b + n, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        at += static_cast<size_t>(n);
        if (wrote) *wrote = n;
        return kResultOk;
    }
    tresult seek(int64_t pos, int32_t mode, int64_t* result) override
    {
        const int64_t base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? static_cast<int64_t>(at) : static_cast<int64_t>(bytes.size());
        const int64_t to = base + pos;
        if (to < 0 || to > static_cast<int64_t>(bytes.size())) return kInvalidArgument;
        at = static_cast<size_t>(to);
        if (result) *result = to;
        return kResultOk;
    }
    tresult tell(int64_t* pos) override
    {
        if (!pos) return kInvalidArgument;
        *pos = static_cast<int64_t>(at);
        return kResultOk;
    }
};

/// One parameter's points of one process call.
class ValueQueue final : public Owned<IParamValueQueue> {
public:
    ParamID id = 0;
    std::vector<std::pair<int32_t, double>> points;

    tresult queryInterface(const TUID which, void** obj) override { return answer(which, obj, IParamValueQueue::iid); }
    ParamID getParameterId() override { return id; }
    int32_t getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult getPoint(int32_t index, int32_t& offset, ParamValue& value) override
    {
        if (index < 0 || index >= getPointCount()) return kInvalidArgument;
        offset = points[static_cast<size_t>(index)].first;
        value = points[static_cast<size_t>(index)].second;
        return kResultOk;
    }
    tresult addPoint(int32_t offset, ParamValue value, int32_t& index) override
    {
        index = static_cast<int32_t>(points.size());
        points.emplace_back(offset, value);
        return kResultOk;
    }
};

/// The parameter changes of one process call, one queue per parameter.
class Changes final : public Owned<IParameterChanges> {
public:
    std::vector<ValueQueue> queues;
    size_t used = 0;

    void clear()
    {
        for (size_t i = 0; i < used; ++i) queues[i].points.clear();
        used = 0;
    }
    void add(ParamID id, int32_t offset, double value)
    {
        int32_t index = 0;
        if (IParamValueQueue* q = addParameterData(id, index)) q->addPoint(offset, value, index);
    }
    tresult queryInterface(const TUID id, void** obj) override { return answer(id, obj, IParameterChanges::iid); }
    int32_t getParameterCount() override { return static_cast<int32_t>(used); }
    IParamValueQueue* getParameterData(int32_t index) override
    {
        return index >= 0 && static_cast<size_t>(index) < used ? &queues[static_cast<size_t>(index)] : nullptr;
    }
    IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) override
    {
        for (size_t i = 0; i < used; ++i)
            if (queues[i].id == id) {
                index = static_cast<int32_t>(i);
                return &queues[i];
            }
        if (used == queues.size()) queues.emplace_back();
        queues[used].id = id;
        queues[used].points.clear();
        index = static_cast<int32_t>(used);
        return &queues[used++];
    }
};

}  // namespace HostKit::Vst3Objects

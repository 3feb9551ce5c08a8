// Vesk2.clap as careless and careful hosts meet it, through its exported
// clap_entry: a defined outcome for every bad call, and the parameter texts
// read back to the values they show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "formats/clap/clap.h"
#include "platform/library.h"

namespace {

struct Host {
    clap_host_t record{kClapVersion, this, "clap test host", "Morlenvale", "", "1",
                       [](const clap_host_t*, const char*) -> const void* { return nullptr; },
                       [](const clap_host_t*) {}, [](const clap_host_t*) {}, [](const clap_host_t*) {}};
};

class ClapBinary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.load(VESK_CLAP_FILE)) << library.error();
        entry = static_cast<const clap_plugin_entry_t*>(library.symbol("clap_entry"));
        ASSERT_NE(entry, nullptr);
        ASSERT_TRUE(entry->init(VESK_CLAP_FILE));
        factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        ASSERT_NE(factory, nullptr);
        plugin = factory->create_plugin(factory, &host.record, "com.morlenvale.vesk2");
        ASSERT_NE(plugin, nullptr);
        ASSERT_TRUE(plugin->init(plugin));
        params = static_cast<const clap_plugin_params_t*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
        ASSERT_NE(params, nullptr);
    }
    void TearDown() override
    {
        if (plugin) plugin->destroy(plugin);
        if (entry) entry->deinit();
    }

    /// One block of frames with in as both input channels; the outputs come back.
    clap_process_status run(uint32_t frames, float in, std::vector<const clap_event_header_t*> events,
                            std::vector<float>* outL = nullptr)
    {
        std::vector<float> l(frames, in), r(frames, in), ol(frames, 7.0f), orr(frames, 7.0f);
        float* ins[2] = {l.data(), r.data()};
        float* outs[2] = {ol.data(), orr.data()};
        clap_audio_buffer_t input{ins, nullptr, 2, 0, 0}, output{outs, nullptr, 2, 0, 0};
        struct List {
            std::vector<const clap_event_header_t*> e;
        } list{std::move(events)};
        clap_input_events_t inEvents{&list, [](const clap_input_events_t* self) {
                                         return static_cast<uint32_t>(static_cast<List*>(self->ctx)->e.size());
                                     },
                                     [](const clap_input_events_t* self, uint32_t i) {
                                         return static_cast<List*>(self->ctx)->e[i];
                                     }};
        clap_output_events_t outEvents{nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
        clap_process_t p{-1, frames, nullptr, &input, &output, 1, 1, &inEvents, &outEvents};
        const clap_process_status status = plugin->process(plugin, &p);
        if (outL) *outL = ol;
        for (uint32_t i = 0; i < frames; ++i) finite &= std::isfinite(ol[i]) && std::isfinite(orr[i]);
        return status;
    }
    double value(clap_id id)
    {
        double v = -1;
        EXPECT_TRUE(params->get_value(plugin, id, &v));
        return v;
    }

    Host host;
    Platform::Library library;
    const clap_plugin_entry_t* entry = nullptr;
    const clap_plugin_factory_t* factory = nullptr;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    bool finite = true;
};

// A value or modulation event for the whole effect (no note, port, channel or key).
template <class Event, uint16_t type>
Event paramEvent(uint32_t time, clap_id id)
{
    Event e{};
    e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    return e;
}
clap_event_param_value_t valueEvent(uint32_t time, clap_id id, double v)
{
    auto e = paramEvent<clap_event_param_value_t, CLAP_EVENT_PARAM_VALUE>(time, id);
    e.value = v;
    return e;
}
clap_event_param_mod_t modEvent(uint32_t time, clap_id id, double amount)
{
    auto e = paramEvent<clap_event_param_mod_t, CLAP_EVENT_PARAM_MOD>(time, id);
    e.amount = amount;
    return e;
}

}  // namespace

TEST_F(ClapBinary, CarelessCallsGetDefinedOutcomes)
{
    // The factory makes only Vesk2, only for a CLAP 1 host.
    Host old;
    old.record.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &host.record, "com.morlenvale.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, "com.morlenvale.vesk2"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, &old.record, "com.morlenvale.vesk2"), nullptr);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);

    // Processing before activation, and activations a host must not ask for.
    std::vector<float> out;
    EXPECT_EQ(run(64, 0.5f, {}, &out), CLAP_PROCESS_ERROR);
    EXPECT_EQ(out[0], 7.0f) << "outputs untouched";
    EXPECT_FALSE(plugin->activate(plugin, 0.0, 1, 64));
    EXPECT_FALSE(plugin->activate(plugin, std::nan(""), 1, 64));
    EXPECT_FALSE(plugin->activate(plugin, 48000.0, 1, 0));

    // Odd rates and blocks, non-finite input, events out of order, beyond the
    // block, for unknown ids and with values out of range or not a number.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        double rate;
        uint32_t maxFrames, frames;
        float input;
    } runs[] = {{7.0, 1, 1, 0.5f}, {1e6, 4097, 4097, inf}, {44100.0, 64, 13, nan}, {96000.0, 512, 600, 0.1f}};
    auto late = valueEvent(5000, 1, 0.9), early = valueEvent(3, 0, -3.0), unknown = valueEvent(1, 99, 0.5),
         notNumber = valueEvent(0, 2, std::nan("")), huge = valueEvent(2, 3, 1e30);
    for (const auto& r : runs) {
        SCOPED_TRACE(r.rate);
        ASSERT_TRUE(plugin->activate(plugin, r.rate, 1, r.maxFrames));
        EXPECT_FALSE(plugin->activate(plugin, r.rate, 1, r.maxFrames)) << "already active";
        ASSERT_TRUE(plugin->start_processing(plugin));
        const clap_process_status status =
            run(r.frames, r.input, {&late.header, &early.header, &unknown.header, &notNumber.header, &huge.header});
        if (r.frames > r.maxFrames)
            EXPECT_EQ(status, CLAP_PROCESS_ERROR) << "a block beyond the maximum is refused";
        else
            EXPECT_NE(status, CLAP_PROCESS_ERROR);
        for (int i = 0; i < 3; ++i) run(r.frames > r.maxFrames ? r.maxFrames : r.frames, r.input, {});
        EXPECT_TRUE(finite);
        for (clap_id id = 0; id < 14; ++id) EXPECT_TRUE(value(id) >= 0.0 && value(id) <= 1.0) << id;
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
    }
    double v = 0;
    EXPECT_FALSE(params->get_value(plugin, 14, &v));
    char text[64];
    EXPECT_FALSE(params->value_to_text(plugin, 99, 0.5, text, sizeof text));
    EXPECT_FALSE(params->text_to_value(plugin, 1, "not a number", &v));

    // A state stream that fails part-way changes nothing.
    const auto* state = static_cast<const clap_plugin_state_t*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
    ASSERT_NE(state, nullptr);
    const double before = value(1);
    int reads = 0;
    clap_istream_t failing{&reads, [](const clap_istream_t* s, void* buffer, uint64_t size) -> int64_t {
                               if ((*static_cast<int*>(s->ctx))++ > 0) return -1;
                               std::memset(buffer, 0, size > 8 ? 8 : size);
                               return size > 8 ? 8 : static_cast<int64_t>(size);
                           }};
    EXPECT_FALSE(state->load(plugin, &failing));
    EXPECT_EQ(value(1), before);

    // Window systems and calls the editor does not take.
    const auto* gui = static_cast<const clap_plugin_gui_t*>(plugin->get_extension(plugin, CLAP_EXT_GUI));
    ASSERT_NE(gui, nullptr);
    uint32_t w = 0, h = 0;
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(plugin, &api, &floating));
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->is_api_supported(plugin, "cocoa", false));
    EXPECT_FALSE(gui->is_api_supported(plugin, api, true)) << "no floating window";
    EXPECT_FALSE(gui->create(plugin, "wayland", false));
    EXPECT_FALSE(gui->get_size(plugin, &w, &h)) << "before create";
    clap_window_t window{};
    window.api = api;
    EXPECT_FALSE(gui->set_parent(plugin, &window)) << "before create";
    gui->destroy(plugin);  // nothing made: nothing happens
    EXPECT_FALSE(gui->set_scale(plugin, 2.0));
}

TEST_F(ClapBinary, EveryParameterReadsBackTheTextItShows)
{
    // value_to_text, then text_to_value of that text, shows the same text; the
    // number alone (without its unit) reads the same.
    for (clap_id id = 0; id < params->count(plugin); ++id) {
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin, id, &info));
        EXPECT_EQ(info.id, id);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
        EXPECT_EQ(info.default_value, value(id)) << info.name << ": a new instance holds the defaults";
        for (double v : {0.0, 0.013, 0.3, 0.5, 0.77, 0.999, 1.0}) {
            char shown[128] = {}, again[128] = {};
            ASSERT_TRUE(params->value_to_text(plugin, id, v, shown, sizeof shown));
            double read = -1;
            ASSERT_TRUE(params->text_to_value(plugin, id, shown, &read)) << info.name << " '" << shown << "'";
            ASSERT_TRUE(params->value_to_text(plugin, id, read, again, sizeof again));
            EXPECT_STREQ(again, shown) << info.name << " at " << v;
            const char* digits = shown;
            while (*digits == ' ') ++digits;
            size_t n = 0;
            while (std::isdigit(static_cast<unsigned char>(digits[n])) || digits[n] == '.' || digits[n] == '-') ++n;
            const std::string number(digits, digits[n] == ' ' ? n : 0);
            if (!number.empty()) {
                ASSERT_TRUE(params->text_to_value(plugin, id, number.c_str(), &read)) << number;
                ASSERT_TRUE(params->value_to_text(plugin, id, read, again, sizeof again));
                EXPECT_STREQ(again, shown) << info.name << " from '" << number << "'";
            }
        }
    }
}

TEST_F(ClapBinary, AModulationIsHeardFromItsFrameButNeverStored)
{
    // Modulating a parameter by A from frame 300 sounds exactly as setting it
    // to its value + A there, while its value stays; the room (whose change
    // clears the network) and the mode take no modulation.
    const clap_plugin_t* const own = plugin;
    auto render = [&](const clap_event_header_t* event, double* after, clap_id id) {
        plugin = factory->create_plugin(factory, &host.record, "com.morlenvale.vesk2");
        std::vector<float> all, out;
        if (!plugin || !plugin->init(plugin) || !plugin->activate(plugin, 48000.0, 1, 512)) {
            ADD_FAILURE() << "no instance to render with";
        } else {
            plugin->start_processing(plugin);
            for (int block = 0; block < 6; ++block) {
                run(512, block == 0 ? 0.5f : 0.0f, block == 0 && event ? std::vector{event} : std::vector<const clap_event_header_t*>{}, &out);
                all.insert(all.end(), out.begin(), out.end());
            }
            *after = value(id);
            plugin->stop_processing(plugin);
            plugin->deactivate(plugin);
        }
        if (plugin) plugin->destroy(plugin);
        plugin = own;
        return all;
    };
    const struct {
        clap_id id;
        double amount;
        bool modulatable;
    } cases[] = {{1, 0.25, true}, {13, -0.25, true}, {3, 0.25, false}, {12, 1.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(plugin, c.id, &info));
        EXPECT_EQ((info.flags & CLAP_PARAM_IS_MODULATABLE) != 0, c.modulatable);
        const double base = value(c.id);
        auto modulated = modEvent(300, c.id, c.amount);
        auto set = valueEvent(300, c.id, base + c.amount);
        double kept = -1, ignored = -1;
        const std::vector<float> heard = render(&modulated.header, &kept, c.id);
        const std::vector<float> expected = c.modulatable ? render(&set.header, &ignored, c.id) : render(nullptr, &ignored, c.id);
        EXPECT_EQ(kept, base) << "a modulation never changes the value";
        ASSERT_EQ(heard.size(), expected.size());
        size_t first = heard.size();
        for (size_t i = 0; i < heard.size() && first == heard.size(); ++i)
            if (heard[i] != expected[i]) first = i;
        EXPECT_EQ(first, heard.size()) << "first differing frame";
    }
}

TEST_F(ClapBinary, ThirtyTwoBitInputToSixtyFourBitOutputKeepsEachChannel)
{
    // A host may hand 32-bit input beside 64-bit output: each channel is
    // widened as it is, so the output equals that of a wholly 64-bit call.
    std::vector<double> wide[2];
    for (int form = 0; form < 2; ++form) {
        const clap_plugin_t* p = factory->create_plugin(factory, &host.record, "com.morlenvale.vesk2");
        ASSERT_TRUE(p && p->init(p) && p->activate(p, 48000.0, 1, 256) && p->start_processing(p));
        std::vector<float> l32(256), r32(256);
        std::vector<double> l64(256), r64(256), ol(256), orr(256);
        for (int i = 0; i < 256; ++i) {
            l32[i] = static_cast<float>(l64[i] = i % 7 == 0 ? 0.5 : 0.0);
            r32[i] = static_cast<float>(r64[i] = i % 11 == 0 ? -0.25 : 0.0);
        }
        float* in32[2] = {l32.data(), r32.data()};
        double* in64[2] = {l64.data(), r64.data()};
        double* out64[2] = {ol.data(), orr.data()};
        clap_audio_buffer_t input{form == 0 ? in32 : nullptr, form == 0 ? nullptr : in64, 2, 0, 0};
        clap_audio_buffer_t output{nullptr, out64, 2, 0, 0};
        clap_input_events_t none{nullptr, [](const clap_input_events_t*) { return 0u; },
                                 [](const clap_input_events_t*, uint32_t) -> const clap_event_header_t* { return nullptr; }};
        clap_output_events_t sink{nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
        clap_process_t call{-1, 256, nullptr, &input, &output, 1, 1, &none, &sink};
        for (int block = 0; block < 16; ++block) {  // past the default predelay (25 ms)
            EXPECT_NE(p->process(p, &call), CLAP_PROCESS_ERROR);
            wide[form].insert(wide[form].end(), ol.begin(), ol.end());
            wide[form].insert(wide[form].end(), orr.begin(), orr.end());
        }
        p->stop_processing(p);
        p->deactivate(p);
        p->destroy(p);
    }
    EXPECT_NE(std::count(wide[1].begin(), wide[1].end(), 0.0), static_cast<long>(wide[1].size())) << "a reverb was heard";
    EXPECT_EQ(wide[0], wide[1]);
}

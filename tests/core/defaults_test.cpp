// Where a new instance starts from: the factory bank resource and the user's
// defaults file, with their size limits, damage and failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "platform/resources.h"
#include "platform/userfiles.h"
#include "tests/core/ChunkBytes.h"
#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/ScopedResources.h"
#include "tests/support/RecordingDialogs.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace fs = std::filesystem;
using CoreTest::ChunkBytes;
using CoreTest::ScratchConfigHome;
using CoreTest::TestEffect;
using TestSupport::FakeHost;
using TestSupport::RecordingDialogs;

namespace {

constexpr const char* kProduct = "CoreFxDefaults";

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

/// Files in a folder whose names start with the product name.
std::vector<std::string> productFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kProduct, 0) == 0) names.push_back(name);
    }
    return names;
}

// ---------------------------------------------------------------- fixture

struct FactoryResource {
    static inline std::vector<uint8_t> bytes;
    static inline bool present = false;
    static inline std::string askedType, askedName;
    static bool find(const char* type, const char* name, Platform::ResourceBytes& out)
    {
        askedType = type;
        askedName = name;
        if (!present) return false;
        out.data = bytes.data();
        out.size = bytes.size();
        return true;
    }
};

class UserDefaults : public ::testing::Test {
protected:
    UserDefaults()
    {
        FactoryResource::present = false;
        removeOurFiles();
    }
    ~UserDefaults() override
    {
        removeOurFiles();
    }

    /// An instance as the effect's constructor leaves it: built-in values, factory bank, user file.
    std::unique_ptr<TestEffect> start()
    {
        auto fx = std::make_unique<TestEffect>(FakeHost::callback(), kProduct);
        fx->loadFactoryBank();
        fx->loadDefaults();
        return fx;
    }
    std::string defaultsFile()
    {
        TestEffect probe(FakeHost::callback(), kProduct);
        std::string path;
        EXPECT_TRUE(probe.defaultsPath(path));
        return path;
    }
    std::string folder() { return fs::path(defaultsFile()).parent_path().string(); }
    void removeOurFiles()
    {
        std::error_code ec;
        for (const std::string& name : productFiles(folder())) fs::remove(fs::path(folder()) / name, ec);
    }

    ScratchConfigHome home{"defaults"};
    TestSupport::ScopedResources resources{FactoryResource::find};
    FakeHost host;
    RecordingDialogs dialogs;
};

}  // namespace

TEST_F(UserDefaults, FileLivesInTheMakersFolder)
{
    const fs::path file = defaultsFile();
    EXPECT_EQ(file.filename().string(), std::string(kProduct) + ".defaults");
    EXPECT_EQ(file.parent_path().filename().string(), "Morlenvale");
    std::string appData;
    ASSERT_TRUE(Platform::appDataFolder(appData));
    EXPECT_EQ(file.parent_path().parent_path(), fs::path(appData));
}

TEST_F(UserDefaults, FirstStartWithoutAFile)
{
    auto fx = start();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(FactoryResource::askedType, "FXB");
    EXPECT_EQ(FactoryResource::askedName, "FactoryBank");
    for (int32_t p = 0; p < 16; ++p) {
        EXPECT_EQ(std::string(fx->program(p).name), "Init " + std::to_string(p + 1));
        for (uint32_t i = 0; i < 14; ++i) ASSERT_EQ(fx->program(p).values[i], TestEffect::builtInDefault(i));
    }
    for (uint32_t i = 0; i < 14; ++i) {
        EXPECT_EQ(fx->getParameter(i), TestEffect::builtInDefault(i));
        EXPECT_EQ(fx->param(i).defaultValue, TestEffect::builtInDefault(i));
    }
}

TEST_F(UserDefaults, SaveChangeLoad)
{
    auto fx = start();
    fx->setProgram(3);
    fx->setProgramName("Saved");
    fx->setParameter(1, 0.5f);
    fx->assignMidiKey(1, static_cast<int16_t>(0xB007));
    fx->saveDefaults();
    EXPECT_EQ(readFile(defaultsFile()), fx->chunk(false)) << "the file is the bank form and nothing else";
    EXPECT_EQ(fx->param(1).defaultValue, 0.5f) << "what was saved becomes the reset target";
    EXPECT_EQ(fx->param(2).defaultValue, TestEffect::builtInDefault(2));

    fx->setParameter(1, 0.9f);
    fx->assignMidiKey(1, -1);
    fx->loadFactoryBank();
    fx->loadDefaults();
    EXPECT_EQ(fx->getParameter(1), 0.5f);
    EXPECT_EQ(fx->getMidiKey(1), static_cast<int16_t>(0xB007));
    EXPECT_EQ(fx->getProgram(), 3);
    fx->setParameter(1, 0.0f);
    fx->resetToDefault(1);
    EXPECT_EQ(fx->getParameter(1), 0.5f) << "the saved value, not the built-in one";

    // A new instance starts from the saved state.
    auto next = start();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(next->getParameter(1), 0.5f);
    EXPECT_EQ(next->param(1).defaultValue, 0.5f);
    EXPECT_STREQ(next->program(3).name, "Saved");
    EXPECT_EQ(next->getMidiKey(1), static_cast<int16_t>(0xB007));
}

TEST_F(UserDefaults, FactoryResetAfterEditingAProgram)
{
    auto fx = start();
    fx->setProgram(2);
    fx->setProgramName("Mine");
    fx->setParameter(0, 0.9f);
    fx->setParameter(5, 0.1f);
    fx->assignMidiKey(5, static_cast<int16_t>(0xB010));
    fx->loadFactoryBank();
    for (int32_t p = 0; p < 16; ++p) {
        EXPECT_EQ(fx->program(p).values[0], 0.9f) << p;
        EXPECT_EQ(fx->program(p).values[5], 0.1f) << p;
        EXPECT_EQ(fx->program(p).values[7], TestEffect::builtInDefault(7)) << p;
    }
    EXPECT_STREQ(fx->program(2).name, "Mine");
    EXPECT_STREQ(fx->program(3).name, "Init 4");
    EXPECT_EQ(fx->getMidiKey(5), static_cast<int16_t>(0xB010));
    EXPECT_EQ(fx->getProgram(), 2);
    EXPECT_EQ(fx->getParameter(0), 0.9f);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(UserDefaults, FilesOfOneMebibyteOrMoreAreIgnored)
{
    // A valid chunk padded with value records, ending in a cut record so that
    // parsing it to the end is visible as a message.
    auto build = [](size_t size) {
        ChunkBytes c;
        c.name(kProduct);
        const size_t tail = size % 4 == 0 ? 4 : 7;  // the last whole record, then a cut one
        while (c.bytes.size() + tail < size) c.value(0, 32000);
        c.value(0, 16000);
        if (tail == 7) c.raw({0, 0, 0});
        return c.bytes;
    };

    auto fx = start();
    std::vector<uint8_t> bytes = build(1048576);
    ASSERT_EQ(bytes.size(), 1048576u);
    writeFile(defaultsFile(), bytes);
    fx->setParameter(0, 0.7f);
    fx->loadDefaults();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(fx->getParameter(0), 0.7f);
    EXPECT_EQ(fx->param(0).defaultValue, TestEffect::builtInDefault(0)) << "nothing adopted";

    bytes = build(1048575);
    ASSERT_EQ(bytes.size(), 1048575u);
    writeFile(defaultsFile(), bytes);
    fx->loadDefaults();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: Chunk appears corrupted.");
    EXPECT_EQ(fx->getParameter(0), 0.25f) << "parsed up to its last whole record";
    EXPECT_EQ(fx->param(0).defaultValue, 0.25f);
}

TEST_F(UserDefaults, FileCutInTheMiddleOfARecord)
{
    auto fx = start();
    for (int32_t p = 0; p < 16; ++p) {
        fx->setProgram(p);
        fx->setParameter(3, 0.01f * static_cast<float>(p));
        fx->setProgramName(("Preset " + std::to_string(p)).c_str());
    }
    fx->setProgram(0);
    fx->saveDefaults();
    std::vector<uint8_t> bytes = readFile(defaultsFile());
    ASSERT_EQ(bytes.size(), 1410u);
    bytes.resize(40 + 5 * 82 + 14 * 4 + 10);  // inside the name record of program 5
    writeFile(defaultsFile(), bytes);

    removeOurFiles();
    auto fresh = start();
    EXPECT_TRUE(dialogs.boxes.empty()) << "no file, no message";
    writeFile(defaultsFile(), bytes);
    fresh->loadDefaults();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: Chunk appears corrupted.");
    EXPECT_EQ(dialogs.boxes[0].caption, std::string(kProduct) + " error");
    for (int32_t p = 0; p < 5; ++p) EXPECT_EQ(std::string(fresh->program(p).name), "Preset " + std::to_string(p));
    EXPECT_STREQ(fresh->program(5).name, "Init 6");
    EXPECT_NEAR(fresh->program(4).values[3], 0.04f, 2e-5);
    EXPECT_NEAR(fresh->getParameter(3), 0.05f, 2e-5) << "program 5's values were on their way in";
    EXPECT_EQ(fresh->param(3).defaultValue, fresh->getParameter(3)) << "the defaults follow whatever state resulted";
}

TEST_F(UserDefaults, EmptyFileIsAChunkWithoutHeader)
{
    writeFile(defaultsFile(), {});
    auto fx = start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: No header");
    EXPECT_EQ(fx->getParameter(0), TestEffect::builtInDefault(0));
}

TEST_F(UserDefaults, FileOfAnotherProduct)
{
    writeFile(defaultsFile(), ChunkBytes().name("Other").value(0, 64000).bytes);
    auto fx = std::make_unique<TestEffect>(FakeHost::callback(), kProduct);
    fx->setParameter(0, 0.7f);
    dialogs.answers = {Platform::kIdNo};
    fx->loadDefaults();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, kProduct);
    EXPECT_EQ(fx->getParameter(0), 0.7f);
    EXPECT_EQ(fx->param(0).defaultValue, 0.7f) << "declined, the unchanged state still becomes the defaults";

    dialogs.answers = {Platform::kIdYes};
    fx->loadDefaults();
    EXPECT_EQ(fx->getParameter(0), 1.0f);
    EXPECT_EQ(fx->param(0).defaultValue, 1.0f);
}

TEST_F(UserDefaults, FailedSaveIsReportedAndChangesNothing)
{
    // A folder where the file belongs: the replace step fails on every platform.
    auto fx = start();
    fs::create_directories(defaultsFile());
    fx->setParameter(0, 0.75f);
    fx->saveDefaults();
    ASSERT_EQ(dialogs.boxes.size(), 1u) << "the user is told";
    EXPECT_EQ(dialogs.boxes[0].caption, std::string(kProduct) + " error");
    EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);
    EXPECT_NE(dialogs.boxes[0].text.find(defaultsFile()), std::string::npos) << dialogs.boxes[0].text;
    EXPECT_NE(dialogs.boxes[0].text.find("cannot replace"), std::string::npos) << dialogs.boxes[0].text;
    EXPECT_EQ(fx->param(0).defaultValue, TestEffect::builtInDefault(0)) << "nothing adopted";
    EXPECT_EQ(productFiles(folder()), std::vector<std::string>{std::string(kProduct) + ".defaults"})
        << "no temporary file left behind";
    fs::remove(defaultsFile());
}

#if !defined(_WIN32)

TEST_F(UserDefaults, FailedWriteKeepsTheOldFile)
{
    auto fx = start();
    fx->setParameter(0, 0.125f);
    fx->saveDefaults();
    const std::vector<uint8_t> old = readFile(defaultsFile());
    ASSERT_EQ(old.size(), 1410u);

    // A file size limit stops writes part-way as a full disk does, for the
    // superuser too.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    for (rlim_t after : {0, 1, 100, 1409}) {
        SCOPED_TRACE(after);
        dialogs.boxes.clear();
        fx->setParameter(0, 0.75f);
        rlimit limited = saved;
        limited.rlim_cur = after;
        setrlimit(RLIMIT_FSIZE, &limited);
        fx->saveDefaults();
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(readFile(defaultsFile()), old) << "the old file survives byte for byte";
        EXPECT_EQ(fx->param(0).defaultValue, 0.125f) << "nothing adopted";
        EXPECT_EQ(productFiles(folder()), std::vector<std::string>{std::string(kProduct) + ".defaults"})
            << "no temporary file left behind";
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_NE(dialogs.boxes[0].text.find(std::strerror(EFBIG)), std::string::npos) << dialogs.boxes[0].text;
    }

    dialogs.boxes.clear();
    fx->saveDefaults();
    EXPECT_EQ(readFile(defaultsFile()), fx->chunk(false));
    EXPECT_EQ(fx->param(0).defaultValue, 0.75f);
    EXPECT_TRUE(dialogs.boxes.empty()) << "a save that works says nothing";
}

TEST_F(UserDefaults, SavingThroughALinkKeepsTheLinkAndNothingButAFileIsReplaced)
{
    // A defaults file kept elsewhere (a dotfiles folder) behind a link: the
    // link stays, the file it points at gets the new defaults. Whatever else
    // stands at the path (a pipe, a device) is refused and left as it is.
    auto fx = start();
    const fs::path kept = fs::path(home.path()) / "dotfiles" / "kept.defaults";
    const fs::path path = defaultsFile();
    fs::create_directories(kept.parent_path());
    fs::create_directories(path.parent_path());
    const struct {
        const char* what;
        std::function<bool()> make;  // false: not possible here
        bool saved;
    } rows[] = {
        {"a link to a file", [&] { writeFile(kept.string(), {1, 2, 3}); fs::create_symlink(kept, path); return true; }, true},
        {"a relative link to a link to a link", [&] {
             writeFile(kept.string(), {});
             fs::create_symlink(kept, path.parent_path() / "hop2");
             fs::create_symlink("hop2", path.parent_path() / "hop");
             fs::create_symlink("hop", path);
             return true; }, true},
        {"a link to no file yet", [&] { fs::create_symlink(kept, path); return true; }, true},
        {"a pipe", [&] { return mkfifo(path.c_str(), 0600) == 0; }, false},
        {"a device", [&] { return mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::error_code ec;
        fs::remove(path, ec), fs::remove(path.parent_path() / "hop", ec), fs::remove(path.parent_path() / "hop2", ec);
        fs::remove(kept, ec);
        if (!row.make()) continue;  // a device needs the right to make one
        const fs::file_type before = fs::symlink_status(path).type();
        dialogs.boxes.clear();
        fx->setParameter(0, 0.25f);
        fx->saveDefaults();
        EXPECT_EQ(fs::symlink_status(path).type(), before) << "what stood at the path still stands";
        if (row.saved) {
            EXPECT_TRUE(dialogs.boxes.empty());
            EXPECT_EQ(readFile(kept.string()), fx->chunk(false)) << "the file behind the link has the defaults";
        } else {
            ASSERT_EQ(dialogs.boxes.size(), 1u);
            EXPECT_NE(dialogs.boxes[0].text.find("is not a regular file"), std::string::npos) << dialogs.boxes[0].text;
        }
        for (const fs::path& dir : {path.parent_path(), kept.parent_path()})
            for (const auto& entry : fs::directory_iterator(dir))
                EXPECT_EQ(entry.path().filename().string().find(".defaults."), std::string::npos)
                    << "a temporary file left behind: " << entry.path();
    }
    std::error_code ec;
    fs::remove(path, ec), fs::remove(path.parent_path() / "hop", ec), fs::remove(path.parent_path() / "hop2", ec);
}

#endif

TEST_F(UserDefaults, FolderCreatedOnSave)
{
#if !defined(_WIN32)
    // A fresh account: not even the configuration folder exists yet.
    setenv("XDG_CONFIG_HOME", (fs::path(home.path()) / "fresh" / ".config").c_str(), 1);
#endif
    const fs::path maker = folder();
    std::error_code ec;
    fs::remove(maker, ec);  // only when empty
    if (fs::exists(maker))
        GTEST_SKIP() << "the profile's " << maker.string() << " holds other files (Windows: the prefix is shared)";
    auto fx = start();
    fx->setParameter(4, 0.5f);
    fx->saveDefaults();
    ASSERT_TRUE(fs::is_directory(maker));
    EXPECT_EQ(readFile((maker / (std::string(kProduct) + ".defaults")).string()), fx->chunk(false));
    EXPECT_EQ(std::distance(fs::directory_iterator(maker), fs::directory_iterator()), 1);
    EXPECT_EQ(fx->param(4).defaultValue, 0.5f);
    EXPECT_TRUE(dialogs.boxes.empty());
}

#if defined(_WIN32)

TEST_F(UserDefaults, UnusableFolder)
{
    GTEST_SKIP() << "the shell's application-data folder cannot be redirected to an unusable place";
}

#else

TEST_F(UserDefaults, UnusableFolder)
{
    // The application-data folder lies below a regular file: no folder and no
    // file can be made there, and reading finds nothing.
    const fs::path plain = fs::path(home.path()) / "plain";
    writeFile(plain.string(), {'x'});
    for (const fs::path& appData : {plain / "sub", plain}) {
        SCOPED_TRACE(appData.string());
        setenv("XDG_CONFIG_HOME", appData.c_str(), 1);
        auto fx = start();
        fx->setParameter(0, 0.6f);
        fx->saveDefaults();
        EXPECT_EQ(fx->param(0).defaultValue, TestEffect::builtInDefault(0)) << "nothing adopted";
        fx->loadDefaults();
        EXPECT_EQ(fx->getParameter(0), 0.6f);
        EXPECT_EQ(fx->param(0).defaultValue, TestEffect::builtInDefault(0));
        EXPECT_EQ(dialogs.boxes.size(), 1u) << "the save is reported, the load is not";
        dialogs.boxes.clear();
        std::vector<std::string> entries;
        for (const auto& e : fs::directory_iterator(home.path())) entries.push_back(e.path().filename().string());
        EXPECT_EQ(entries, std::vector<std::string>{"plain"}) << "nothing written anywhere";
        EXPECT_EQ(readFile(plain.string()), std::vector<uint8_t>{'x'});
    }
}

TEST_F(UserDefaults, ReadOnlyFolder)
{
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    auto fx = start();
    fx->saveDefaults();
    const std::vector<uint8_t> old = readFile(defaultsFile());
    chmod(folder().c_str(), 0555);
    fx->setParameter(0, 0.9f);
    fx->saveDefaults();
    chmod(folder().c_str(), 0755);
    EXPECT_EQ(readFile(defaultsFile()), old);
    EXPECT_EQ(fx->param(0).defaultValue, TestEffect::builtInDefault(0));
}

#endif

// ---------------------------------------------------------------- factory bank

namespace {

class FactoryBank : public UserDefaults {
protected:
    /// A bank from an instance whose programs were renamed and edited.
    std::vector<uint8_t> editedBank()
    {
        TestEffect source(FakeHost::callback(), kProduct);
        source.loadFactoryBank();
        for (int32_t p = 0; p < 16; ++p) {
            source.setProgram(p);
            source.setParameter(6, 0.0625f * static_cast<float>(p));
            source.setProgramName(("Factory " + std::to_string(p)).c_str());
        }
        source.setProgram(11);
        return source.chunk(false);
    }
    void install(std::vector<uint8_t> bytes)
    {
        FactoryResource::bytes = std::move(bytes);
        FactoryResource::bytes.shrink_to_fit();  // reads past the end meet the sanitizer
        FactoryResource::present = true;
    }
};

}  // namespace

TEST_F(FactoryBank, ValidBankBecomesThePrograms)
{
    install(CoreTest::fxbAround(editedBank()));
    auto fx = start();
    EXPECT_TRUE(dialogs.boxes.empty());
    for (int32_t p = 0; p < 16; ++p) {
        EXPECT_EQ(std::string(fx->program(p).name), "Factory " + std::to_string(p));
        EXPECT_NEAR(fx->program(p).values[6], 0.0625f * static_cast<float>(p), 1e-6);
    }
    EXPECT_EQ(fx->getProgram(), 11);
    EXPECT_NEAR(fx->getParameter(6), 0.0625f * 11, 1e-6);
}

TEST_F(FactoryBank, DamagedBanksAreReportedAndLeaveTheBuiltInPrograms)
{
    const std::vector<uint8_t> good = CoreTest::fxbAround(editedBank());
    auto patched = [&](size_t at, std::vector<uint8_t> with) {
        std::vector<uint8_t> b = good;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.end() - static_cast<std::ptrdiff_t>(n)); };
    auto be = [](uint32_t v) {
        return std::vector<uint8_t>{static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                                    static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
    };
    const char* badMagic = "Bad chunk magic in factory bank!";
    const char* badType = "Invalid chunk type in factory bank!";
    const char* truncated = "Truncated or corrupt factory bank!";
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"empty", {}, badMagic},
        {"three bytes", {'C', 'c', 'n'}, badMagic},
        {"little-endian magic", patched(0, {'K', 'n', 'c', 'C'}), badMagic},
        {"program file", patched(8, {'F', 'P', 'C', 'h'}), badType},
        {"bank of parameters", patched(8, {'F', 'x', 'B', 'k'}), badType},
        {"magic only", {'C', 'c', 'n', 'K'}, badType},
        {"header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 100), truncated},
        {"one byte short", cut(1), truncated},
        {"byte size too large", patched(4, be(static_cast<uint32_t>(good.size() - 8 + 1))), truncated},
        {"byte size overflows", patched(4, be(0xFFFFFFFFu)), truncated},
        {"chunk size too large", patched(156, be(static_cast<uint32_t>(good.size() - 160 + 1))), truncated},
        {"chunk size overflows", patched(156, be(0xFFFFFFF0u)), truncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        install(c.bytes);
        dialogs.boxes.clear();
        auto fx = std::make_unique<TestEffect>(FakeHost::callback(), kProduct);
        fx->setParameter(2, 0.9f);
        fx->loadFactoryBank();
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, c.text);
        EXPECT_EQ(dialogs.boxes[0].caption, kProduct);
        EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);
        for (int32_t p = 0; p < 16; ++p) {
            EXPECT_STREQ(fx->program(p).name, ("Init " + std::to_string(p + 1)).c_str());
            EXPECT_EQ(fx->program(p).values[2], 0.9f) << "programs keep the values copied in first";
        }
        EXPECT_EQ(fx->getProgram(), 0);
    }
}

TEST_F(FactoryBank, SizesExactlyAtTheLimitAreAccepted)
{
    // Sizes may claim no more than the resource holds; trailing bytes are allowed.
    std::vector<uint8_t> bank = CoreTest::fxbAround(editedBank());
    bank.push_back(0xEE);
    install(bank);
    auto fx = start();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_STREQ(fx->program(15).name, "Factory 15");

    // An empty chunk inside a whole bank goes to the chunk loader, which wants a header.
    install(CoreTest::fxbAround({}));
    dialogs.boxes.clear();
    auto other = start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: No header");
}

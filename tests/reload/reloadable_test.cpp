#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "reload/reloadable.h"
#include "support/temp_dir.h"

namespace quadrelume {
namespace {

using testing::TempDir;
using testing::setModificationTime;
using testing::writeFile;

// An object built from a file, counting constructions and destructions.
struct Built {
    static inline int alive = 0;
    static inline int builds = 0;
    explicit Built(std::string text) : text(std::move(text)) { ++alive; ++builds; }
    ~Built() { --alive; }
    std::string text;
};

Built* build(ReloadableFileData* file) {
    if (file->size == 0) return nullptr;  // builders may fail
    return new Built(std::string(file->text()));
}

Built* buildWithPrefix(ReloadableFileData* file, void* prefix) {
    return new Built(*static_cast<std::string*>(prefix) + std::string(file->text()));
}

class ReloadableTest : public ::testing::Test {
protected:
    void SetUp() override {
        pollables.clear();
        Built::alive = 0;
        Built::builds = 0;
    }
    void TearDown() override { pollables.clear(); }

    std::unique_ptr<ReloadableFileData> file(const std::string& name, const std::string& text) {
        dir.write(name, text);
        setModificationTime(dir.file(name), 1700000000, ++stampCounter);
        return loadReloadableFile(dir.file(name));
    }
    void save(const std::string& name, const std::string& text) {
        dir.write(name, text);
        setModificationTime(dir.file(name), 1700000000, ++stampCounter);
    }

    TempDir dir;
    long stampCounter = 0;
};

TEST_F(ReloadableTest, BuildsAtOnceAndRegistersItself) {
    Reloadable<Built> holder(build, file("a.ps", "alpha"));
    ASSERT_NE(holder.object, nullptr);
    EXPECT_EQ(holder.object->text, "alpha");
    ASSERT_EQ(pollables.size(), 1u);
    EXPECT_EQ(pollables[0], &holder);
}

TEST_F(ReloadableTest, PollRebuildsOnlyWhatChanged) {
    Reloadable<Built> a(build, file("a.ps", "alpha"));
    Reloadable<Built> b(build, file("b.ps", "beta"));
    Built* untouched = a.object;
    ASSERT_EQ(Built::builds, 2);

    ::testing::internal::CaptureStdout();
    pollAll();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(Built::builds, 2);

    save("b.ps", "beta 2");
    ::testing::internal::CaptureStdout();
    pollAll();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Reloading:" + dir.file("b.ps") + "\n");
    EXPECT_EQ(Built::builds, 3);
    EXPECT_EQ(Built::alive, 2) << "the old object is destroyed";
    EXPECT_EQ(a.object, untouched);
    EXPECT_EQ(b.object->text, "beta 2");
}

TEST_F(ReloadableTest, FailedBuildHoldsNothingUntilTheFileChangesAgain) {
    Reloadable<Built> holder(build, file("a.ps", "alpha"));
    save("a.ps", "");
    ::testing::internal::CaptureStdout();
    holder.poll();
    EXPECT_EQ(holder.object, nullptr);
    holder.poll();
    EXPECT_EQ(holder.object, nullptr);
    save("a.ps", "again");
    holder.poll();
    ::testing::internal::GetCapturedStdout();
    ASSERT_NE(holder.object, nullptr);
    EXPECT_EQ(holder.object->text, "again");
    EXPECT_EQ(Built::alive, 1);
}

TEST_F(ReloadableTest, BuilderWithContextGetsItOnEveryBuild) {
    std::string prefix = "ctx:";
    Reloadable<Built> holder(buildWithPrefix, &prefix, file("a.ps", "one"));
    EXPECT_EQ(holder.object->text, "ctx:one");
    save("a.ps", "two");
    ::testing::internal::CaptureStdout();
    holder.poll();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(holder.object->text, "ctx:two");
}

TEST_F(ReloadableTest, DestructionLeavesTheRegistryInOrderAndFreesTheObject) {
    auto first = std::make_unique<Reloadable<Built>>(build, file("a.ps", "a"));
    Reloadable<Built> second(build, file("b.ps", "b"));
    registerPollable(first.get());  // duplicates are allowed
    Reloadable<Built> third(build, file("c.ps", "c"));
    ASSERT_EQ(pollables.size(), 4u);

    first.reset();
    EXPECT_EQ(pollables, (std::vector<Pollable*>{&second, &third}));
    EXPECT_EQ(Built::alive, 2);
}

// A holder that registers another holder while it is being polled, as a
// reloaded timeline does for shaders it has not seen before.
struct Spawner : Pollable {
    void poll() override {
        ++polls;
        if (!spawned) {
            spawned = true;
            registerPollable(&child);
        }
    }
    struct Child : Pollable {
        void poll() override { ++polls; }
        int polls = 0;
    } child;
    bool spawned = false;
    int polls = 0;
};

TEST_F(ReloadableTest, EntriesRegisteredWhilePollingArePolledInTheSamePass) {
    Spawner spawner;
    registerPollable(&spawner);
    pollAll();
    EXPECT_EQ(spawner.polls, 1);
    EXPECT_EQ(spawner.child.polls, 1);
}

}  // namespace
}  // namespace quadrelume

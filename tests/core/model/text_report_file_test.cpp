// Saving the main text report: the file it replaces, the data file in front
// of it, the open data file as target, the confirmation, and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "core/io/data_file.h"
#include "core/io/final_form_storage.h"
#include "core/io/text_data_file.h"
#include "core/model/regression_file.h"
#include "core/model/text_report_file.h"
#include "platform/command_guard.h"
#include "platform/errors.h"
#include "support/model_builder.h"
#include "support/sample_columns.h"
#include "support/scripted_services.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Golden(const std::string& name) {
    const char* root = std::getenv("MERLOX_SOURCE_DIR");
    return ReadBytes(fs::path(root ? root : ".") / "tests/data/text_report" / (name + ".txt"));
}

// Progress steps that run out of memory after a number of steps.
class FailingProgress : public ScriptedServices {
public:
    explicit FailingProgress(int steps) : left_(steps) {}
    void ProgressStep() override {
        ScriptedServices::ProgressStep();
        if (--left_ < 0) throw std::bad_alloc();
    }

private:
    int left_;
};

class TextReportFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("merlox_report_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        context_.SetServices(&services_);
        context_.Work().dataFolder = dir_.string() + "/";
        // The golden Longley report.
        model_ = MakeModel(LongleyColumns(), {2, 2, 2, 2, 2, 3, 1},
                           {"DEFLATOR", "国民総生産額A", "UNEMPLOYED", "ARMED_FORCES_SIZE", "POP", "YEAR", "EMPLOY"},
                           &context_);
        model_->SetName("Longley");
        model_->SetInfo("Longley (1967) 雇用データ");
        const char* infos[] = {"GNPデフレータ", "", "失業者数", "軍人数", "14歳以上人口", "年", "総雇用者数"};
        for (int j = 0; j < 7; ++j) model_->SetVarInfo(j, infos[j]);
        std::vector<std::uint8_t> roles(8, Reg::kRoleExplanatory);
        roles[6] = Reg::kRoleUnused;
        ASSERT_TRUE(model_->SetModel(6, roles));
        companions_.finalForm = &finalForm_;
        model_->SetFileCompanions(&companions_);
        model_->SetFileName((dir_ / "own.MDF").string());
        model_->SetModified(true);
    }
    void TearDown() override {
        model_.reset();
        fs::remove_all(dir_);
    }
    // Files of the folder other than the given ones (temporary leftovers).
    int OtherFiles(std::initializer_list<std::string> known) const {
        int count = 0;
        for (const auto& e : fs::directory_iterator(dir_)) {
            bool listed = false;
            for (const std::string& k : known) listed = listed || e.path().filename() == k;
            if (!listed) ++count;
        }
        return count;
    }

    fs::path dir_;
    ScriptedServices services_;
    EngineContext context_;
    FFList finalForm_;
    DataFileCompanions companions_;
    std::unique_ptr<Reg> model_;
};

}  // namespace

TEST_F(TextReportFile, ReplacesAnExistingFileWithoutBackup) {
    const fs::path target = dir_ / "out.TXT";
    WriteBytes(target, "old report");
    SaveTextReport(*model_, TextReportOptions{}, target.string(), false);
    EXPECT_EQ(ReadBytes(target), Golden("longley_m80"));
    EXPECT_EQ(OtherFiles({"out.TXT"}), 0);
}

TEST_F(TextReportFile, OriginalDataPutsTheDataFileFirstAndKeepsTheModelsName) {
    const fs::path target = dir_ / "copy.MDF";
    WriteBytes(target, "former");
    std::ostringstream image;
    WriteBinaryImage(*model_, image);
    SaveTextReport(*model_, TextReportOptions{}, target.string(), true);
    EXPECT_EQ(ReadBytes(target), image.str() + Golden("longley_m80"));
    EXPECT_EQ(ReadBytes(dir_ / "copy.BAK"), "former");
    // The copy does not make the model look saved.
    EXPECT_EQ(model_->GetFileName(), (dir_ / "own.MDF").string());
    EXPECT_TRUE(model_->IsModified());
    EXPECT_EQ(OtherFiles({"copy.MDF", "copy.BAK"}), 0);
}

TEST_F(TextReportFile, OriginalDataInTheTextFormForOtherExtensions) {
    const fs::path target = dir_ / "copy.TXT";
    std::ostringstream image;
    WriteTextDataFile(FileImage(*model_), image, services_);
    SaveTextReport(*model_, TextReportOptions{}, target.string(), true);
    EXPECT_EQ(ReadBytes(target), image.str() + Golden("longley_m80"));
    EXPECT_EQ(model_->GetFileName(), (dir_ / "own.MDF").string());
    EXPECT_TRUE(model_->IsModified());
}

TEST_F(TextReportFile, FailedOriginalDataKeepsNameAndModifiedFlag) {
    for (const bool modified : {true, false}) {
        model_->SetModified(modified);
        EXPECT_THROW(SaveTextReport(*model_, TextReportOptions{}, (dir_ / "missing/x.MDF").string(), true),
                     EStreamError);
        EXPECT_EQ(model_->GetFileName(), (dir_ / "own.MDF").string());
        EXPECT_EQ(model_->IsModified(), modified);
    }
}

TEST_F(TextReportFile, OutOfMemoryWhileWritingLeavesTheTargetAndTheData) {
    const fs::path target = dir_ / "out.TXT";
    WriteBytes(target, "old report");
    const double before = model_->GetValue(3, 2);
    for (const bool original : {false, true}) {
        FailingProgress failing(3);
        context_.SetServices(&failing);
        EXPECT_THROW(SaveTextReport(*model_, TextReportOptions{}, target.string(), original), EOutOfMemory);
        // The progress window was closed again.
        EXPECT_EQ(failing.CallsOf(ServiceCall::ProgressEnd).size(), 1u);
        context_.SetServices(&services_);
        EXPECT_EQ(ReadBytes(target), "old report");
        EXPECT_EQ(OtherFiles({"out.TXT"}), 0);
    }
    EXPECT_EQ(model_->GetValue(3, 2), before);
    EXPECT_TRUE(model_->IsModified());
    // The command shows the memory message and the program carries on.
    FailingProgress failing(0);
    context_.SetServices(&failing);
    failing.QueueFile((dir_ / "fresh.TXT").string());
    failing.QueueOK();
    EXPECT_FALSE(GuardCommand(failing, [&] { (void)RunTextSave(model_.get(), TextReportOptions{}, false); }));
    const auto boxes = failing.CallsOf(ServiceCall::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "メモリーの確保に失敗しました。");
    EXPECT_FALSE(fs::exists(dir_ / "fresh.TXT"));
    context_.SetServices(&services_);
}

TEST_F(TextReportFile, CommandRefusesTheOpenDataFile) {
    const fs::path own = dir_ / "own.MDF";
    WriteBytes(own, "data");
    // The same file by another spelling of its path.
    services_.QueueFile((dir_ / "." / "own.MDF").string());
    services_.QueueOK();
    EXPECT_FALSE(RunTextSave(model_.get(), TextReportOptions{}, false));
    EXPECT_EQ(services_.CallsOf(ServiceCall::MessageBox).size(), 1u);
    EXPECT_TRUE(services_.CallsOf(ServiceCall::YesNo).empty());
    EXPECT_EQ(ReadBytes(own), "data");
}

TEST_F(TextReportFile, CommandAsksBeforeReplacing) {
    const fs::path target = dir_ / "out.TXT";
    struct Step {
        bool exists;
        bool answerYes;
        bool written;
    };
    const Step steps[] = {{true, false, false}, {true, true, true}, {false, false, true}};
    for (const Step& s : steps) {
        fs::remove(target);
        if (s.exists) WriteBytes(target, "old");
        services_.ClearCalls();
        services_.QueueFile(target.string());
        if (s.exists) s.answerYes ? services_.QueueYes() : services_.QueueNo();
        EXPECT_EQ(RunTextSave(model_.get(), TextReportOptions{}, false), s.written);
        EXPECT_EQ(services_.CallsOf(ServiceCall::YesNo).size(), s.exists ? 1u : 0u);
        EXPECT_EQ(ReadBytes(target), s.written ? Golden("longley_m80") : std::string("old"));
    }
    // Cancelling the dialog writes nothing.
    services_.QueueFile("");
    EXPECT_FALSE(RunTextSave(model_.get(), TextReportOptions{}, false));
    EXPECT_FALSE(RunTextSave(nullptr, TextReportOptions{}, false));
    const auto dialogs = services_.CallsOf(ServiceCall::SaveFile);
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs.back().file.defaultExt, "TXT");
}

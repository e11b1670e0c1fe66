// Saving and loading the model's data file: the choice of form by the
// extension, the safe replacement of the file on disk, and taking over a
// file that was read completely.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <unistd.h>
#include <utility>

#include "core/io/data_file.h"
#include "core/io/text_data_file.h"
#include "core/text/text_evaluator.h"
#include "core/settings/file_services.h"
#include "core/text/number_format.h"
#include "core/model/regression_file.h"
#include "platform/binary_stream.h"
#include "platform/durable_file.h"
#include "platform/errors.h"
#include "platform/text/cp932.h"

namespace fs = std::filesystem;

namespace {

// Beside the target, so that moving it into place is a rename within one
// file system; the process id keeps two programs apart.
std::string TempNameBeside(const std::string& target) {
    return target + ".~" + std::to_string(static_cast<long>(::getpid())) + ".TMP";
}

void RemoveQuietly(const std::string& name) {
    std::error_code ec;
    fs::remove(name, ec);
}

}  // namespace

DataFileImage FileImage(const Reg& reg) {
    const DataFileCompanions& c = reg.FileCompanions();
    const DataFileColorSettings& cs = c.colorSettings;
    const GridColorList* colors = nullptr;
    if (cs.saveColors) colors = cs.useFileColors ? c.colors : cs.settingsColors;
    static const UserVar kNoScalars;
    static const FFList kNoFinalForm;
    return DataFileImage{reg,
                         reg.GetDependent(),
                         reg.IsTwoStage(),
                         reg.Roles(),
                         reg.GroupNames(),
                         reg.Expressions(),
                         c.userScalars != nullptr ? *c.userScalars : kNoScalars,
                         colors,
                         c.finalForm != nullptr ? *c.finalForm : kNoFinalForm};
}

void WriteBinaryImage(const Reg& reg, std::ostream& out) {
    WriteBinaryDataFile(FileImage(reg), out, reg.Context().Services());
}

void SaveAs(Reg& reg, const std::string& name) {
    // A failed save keeps the former name, so that a later save does not
    // go to a file that was never written.
    const std::string former = reg.GetFileName();
    reg.SetFileName(name);
    try {
        WriteFile(reg);
    } catch (...) {
        reg.SetFileName(former);
        throw;
    }
}

void WriteFileReplacing(const std::string& target, const std::function<void(std::ostream&)>& write,
                        const EngineContext& context, bool keepBackup) {
    if (target.empty()) throw EFOpenError("保存するファイル名がありません。");
    const std::string temp = TempNameBeside(target);
    try {
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!out) throw EFOpenError("ファイルを作成できません: " + target);
            write(out);
            out.close();
            if (out.fail()) throw EWriteError("ファイルの書き込みに失敗しました: " + target);
        }
        SyncFile(temp, context.Fsync());
        std::error_code ec;
        const bool existed = keepBackup && fs::exists(fs::symlink_status(target, ec));
        if (keepBackup) RenameToBackup(target);
        if (std::rename(temp.c_str(), target.c_str()) != 0) {
            // Put the old file back where it was.
            fs::path backup(target);
            backup.replace_extension(".BAK");
            if (existed && !fs::exists(fs::symlink_status(target, ec)))
                std::rename(backup.c_str(), target.c_str());
            throw EWriteError("ファイルを保存できません: " + target);
        }
        SyncFolderOf(target, context.Fsync());
    } catch (const std::bad_alloc&) {
        RemoveQuietly(temp);
        throw EOutOfMemory();
    } catch (const EConvertError& e) {
        RemoveQuietly(temp);
        throw EWriteError(std::string("ファイルを保存できません: ") + e.what());
    } catch (...) {
        RemoveQuietly(temp);
        throw;
    }
}

void WriteFile(Reg& reg) {
    const std::string target = reg.GetFileName();
    const bool binary = IsBinaryDataFileName(target);
    WriteFileReplacing(target, [&](std::ostream& out) {
        if (binary)
            WriteBinaryImage(reg, out);
        else
            WriteTextDataFile(FileImage(reg), out, reg.Context().Services());
    }, reg.Context());
    reg.SetFileForm(binary ? 0 : 1);
    reg.SetModified(false);
}

void ReadDataFile(const std::string& fileName, LoadedDataFile& loaded, int& fileForm, UiServices& services,
                  TextEvaluator& evaluator) {
    const bool binary = IsBinaryDataFileName(fileName);
    bool magic = false;
    try {
        std::ifstream in(fileName, std::ios::binary);
        if (!in) throw EFOpenError("ファイルを開けません: " + fileName);
        const std::int64_t size = StreamBytesLeft(in);
        if (binary) {
            char head[sizeof kDataFileMagic] = {};
            in.read(head, sizeof head);
            magic = in.gcount() == static_cast<std::streamsize>(sizeof head) &&
                    std::memcmp(head, kDataFileMagic, sizeof head) == 0;
            in.clear();
            in.seekg(0);
        }
        // A ".MDF" name without the magic is read as text from its first byte.
        if (magic)
            ReadBinaryDataFile(in, size, loaded, services);
        else
            ReadTextDataFile(in, loaded, evaluator, services);
    } catch (const std::bad_alloc&) {
        // Nothing of this model has changed yet, so running out of memory
        // loses no work: the caller reports it instead of ending the program.
        throw EOutOfMemory();
    }

    if (loaded.name.empty()) {
        std::string title = ExtractFileTitle(fileName, true);
        // The name must be savable; a file name CP932 cannot hold is not.
        loaded.name = cp932::IsRepresentable(title) ? title : std::string("NONAME");
    }
    if (loaded.info.empty()) loaded.info = loaded.name;
    // Whatever the name, a file read in the text form is in the text form.
    fileForm = magic ? 0 : 1;
}

void LoadFile(Reg& reg, const std::string& fileName) {
    LoadedDataFile loaded;
    int fileForm = 0;
    ReadDataFile(fileName, loaded, fileForm, reg.Context().Services(), reg.Context().Evaluator());
    AdoptLoaded(reg, loaded);
    reg.SetFileName(fileName);
    reg.SetFileForm(fileForm);
    reg.SetModified(false);
}

void AdoptLoaded(Reg& reg, LoadedDataFile& loaded) {
    const int k = static_cast<int>(loaded.vars.size());
    if (k < 1) throw EReadError("データファイルに変数がありません。");
    for (const auto& v : loaded.vars)
        if (!v || v->Count() != loaded.obs)
            throw EReadError("データファイルの変数のデータ数がデータ組数と一致しません。");
    if (loaded.obs < 0) throw EReadError("データファイルのデータ組数が不正です。");
    std::stringstream bank;
    loaded.userScalars.SaveDataBank(bank);

    // Nothing can fail on the file's account from here on.
    reg.ReplaceDataSet(std::move(loaded.vars), loaded.obs, std::move(loaded.name), std::move(loaded.info));
    reg.GroupNames() = std::move(loaded.groupNames);
    // Added one by one, so the list stays bound to this data set.
    ExpresList& equations = reg.Expressions();
    equations.Clear();
    for (int i = 0; i < loaded.equations.GetCount(); ++i) equations.Add(loaded.equations.GetItem(i));
    DataFileCompanions& companions = reg.FileCompanions();
    if (companions.userScalars != nullptr) companions.userScalars->LoadDataBank(bank);
    // A colour section replaces the program's table as a whole.
    if (loaded.hasColors && companions.colors != nullptr) {
        companions.colors->Clear();
        for (const GridColorEntry& e : loaded.colors.Entries()) companions.colors->SetColors(e);
    }
    if (companions.finalForm != nullptr) *companions.finalForm = std::move(loaded.finalForm);

    reg.Rebuild();
    reg.SetTwoStage(loaded.twoStage);
    if (loaded.dependent >= 0) {
        std::vector<std::uint8_t> roles(static_cast<std::size_t>(k) + 1, Reg::kRoleUnused);
        std::copy_n(loaded.roles.begin(), std::min<std::size_t>(loaded.roles.size(), static_cast<std::size_t>(k)),
                    roles.begin());
        roles[static_cast<std::size_t>(k)] = Reg::kRoleExplanatory;
        // A model that can be entered only in part is kept as far as it goes;
        // one that cannot be estimated (refused, with its message) keeps its
        // roles without an estimate.
        if (!reg.SetModel(loaded.dependent, roles) && !reg.FitProblem().empty())
            reg.KeepRolesUnestimated(loaded.dependent, roles);
    } else {
        // The best candidate, when there is one to enter.
        const int best = reg.SetDependent(k - 1);
        if (!reg.FitProblem().empty())
            reg.KeepRolesUnestimated(k - 1, {});
        else
            static_cast<void>(reg.ToggleVariable(best));
    }
    reg.SetModified(false);
}

// A test with the program's windows started on a scratch folder that the
// settings name as the data folder, and scripted answers to every question.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/application.h"
#include "app/main_window/main_window.h"
#include "eval/app_state.h"
#include "gui_fixture.h"
#include "support/scripted_services.h"

class StartedWindows : public ::testing::Test {
protected:
    explicit StartedWindows(const std::string& folder) : dir_(folder) {
        TestApp();
        state_.SetServices(&ui_);
        WriteText(dir_.Path("MERLOX.ini"), "[DIR]\ndata=" + dir_.Path() + "\n");
        windows_ = StartApplication(state_, nullptr, dir_.Path("MERLOX.ini"), {});
        main_ = windows_->frmREG.get();
    }
    ~StartedWindows() override {
        windows_.reset();
        state_.SetServices(nullptr);
    }

    ScratchFolder dir_;
    ScriptedServices ui_;
    AppState state_;
    std::unique_ptr<ApplicationWindows> windows_;
    TfrmREG* main_ = nullptr;
};

// What the jackknife window (class "TfrmJNE") is opened with by a window
// that holds its own instrumental-variable model. (The main window opens it
// on its least-squares model through its launch request.) The jackknife is
// computed once when the window is filled; the model need not outlive it.
#pragma once

class RegIV;

struct JackknifeRequest {
    RegIV* ivModel = nullptr;
};

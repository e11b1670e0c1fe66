// A stand-in for the X-Y graph window's registration that fills a real
// graph window with each request and closes it unseen, so a benchmark times
// what the user waits for up to the filled graph.
#pragma once

#include <benchmark/benchmark.h>

#include "components/view/window_context.h"
#include "components/view/window_registry.h"
#include "stats/ui/xy_graph_window.h"
#include "stats/xy_graph_request.h"

class FilledGraph : public RequestWindow<XYGraphRequest> {
public:
    explicit FilledGraph(const WindowContext& context) : context_(context) {}
    using RequestWindow<XYGraphRequest>::Fill;
    bool Fill(const XYGraphRequest& r) override {
        TfrmGraphXY window(context_);
        benchmark::DoNotOptimize(window.Fill(r));
        return false;
    }
    int ShowModal() override { return 0; }

private:
    WindowContext context_;
};

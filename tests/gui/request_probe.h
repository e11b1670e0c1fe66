// Stand-ins for windows a window under test opens: each takes the request,
// lets the test look at it, and opens nothing.
#pragma once

#include <gtest/gtest.h>

#include <QAction>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/view/window_registry.h"
#include "stats/xy_graph_request.h"

template <class Request>
class RequestProbe : public RequestWindow<Request> {
public:
    explicit RequestProbe(std::function<void(const Request&)> seen) : seen_(std::move(seen)) {}
    using RequestWindow<Request>::Fill;
    bool Fill(const Request& r) override {
        seen_(r);
        return false;
    }
    int ShowModal() override { return 0; }

private:
    std::function<void(const Request&)> seen_;
};

// Registers the probe under the class name while the result lives.
template <class Request>
std::unique_ptr<ScopedAnalysisWindow> Probe(const std::string& windowClass, std::function<void(const Request&)> seen) {
    return std::make_unique<ScopedAnalysisWindow>(windowClass, [seen](const WindowContext&) {
        return std::make_unique<RequestProbe<Request>>(seen);
    });
}

// A graph's names and series, copied while the caller's arrays live.
struct GraphSeen {
    std::string xName, yName;
    std::vector<double> x, y;
};
inline std::unique_ptr<ScopedAnalysisWindow> ProbeGraphs(std::vector<GraphSeen>& seen) {
    return Probe<XYGraphRequest>("TfrmGraphXY", [&seen](const XYGraphRequest& r) {
        seen.push_back({r.xName, r.yName, {r.x, r.x + r.n}, {r.y, r.y + r.n}});
    });
}

// What a plot must have been handed: the point count and the first and last
// value on each axis.
struct SeriesEnds {
    std::size_t count;
    double x0, xLast, y0, yLast;
};
inline void ExpectEnds(const GraphSeen& g, const SeriesEnds& want, double tolerance = 1e-12) {
    ASSERT_EQ(g.x.size(), want.count);
    ASSERT_EQ(g.y.size(), want.count);
    const double got[] = {g.x.front(), g.x.back(), g.y.front(), g.y.back()};
    const double ends[] = {want.x0, want.xLast, want.y0, want.yLast};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], ends[i], tolerance * (1 + std::fabs(ends[i]))) << "end " << i;
}

// The points a plot or a line holds, to be checked like a handed graph.
template <class Series>
GraphSeen SeriesOf(const Series& s) {
    GraphSeen g;
    for (int i = 0; i < s.Count(); ++i) {
        g.x.push_back(s.X(i));
        g.y.push_back(s.Y(i));
    }
    return g;
}

// The one graph a command handed over: its names and ends.
inline void ExpectGraph(const std::vector<GraphSeen>& seen, const std::string& xName, const std::string& yName,
                        const SeriesEnds& ends, double tolerance = 1e-12) {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].xName, xName);
    EXPECT_EQ(seen[0].yName, yName);
    ExpectEnds(seen[0], ends, tolerance);
}

// A plot command and what it must hand over; answer: the regressor it asks
// for, if any.
struct PlotCase {
    QAction* action;
    const char* answer;
    const char *xName, *yName;
    SeriesEnds ends;
};
// Triggers each command in turn, its answer queued, and checks the one graph
// it hands over.
template <class Services>
void ExpectPlots(const std::vector<PlotCase>& plots, Services& ui, std::vector<GraphSeen>& seen,
                 double tolerance = 1e-12) {
    for (const PlotCase& p : plots) {
        SCOPED_TRACE(std::string(p.xName) + " / " + p.yName);
        if (p.answer) ui.QueueInput(p.answer);
        seen.clear();
        p.action->trigger();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].xName, p.xName);
        EXPECT_EQ(seen[0].yName, p.yName);
        ExpectEnds(seen[0], p.ends, tolerance);
    }
}

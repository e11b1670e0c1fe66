// Stand-ins for windows a window under test opens: each takes the request,
// lets the test look at it, and opens nothing.
#pragma once

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

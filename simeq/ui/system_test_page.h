// A test page of the simultaneous-equation window: the reduced-form values
// of every observation, static (total test) or simulated (final test), or
// their residuals with marks for large relative errors. The corner cell
// switches between the two; a cell of a variable plots it.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class ResultGrid;
class SimultaneousSystem;

class SystemTestPage : public QWidget {
    Q_OBJECT
public:
    // plot(name, residuals): a left click plots predicted against observed,
    // a right click residuals against predicted.
    using PlotRequest = std::function<void(const std::string& name, bool residuals)>;
    SystemTestPage(QWidget* parent, const char* gridName, bool simulation, std::function<void()> changer,
                   PlotRequest plot);

    void SetSystem(std::shared_ptr<const SimultaneousSystem> sys);
    void Redraw();
    // Values to residuals and back.
    void Toggle();
    void GridMouseDown(Qt::MouseButton button, int x, int y);

    bool ShowsValues() const { return values_; }
    bool Simulation() const { return simulation_; }

    ResultGrid* grid = nullptr;

private:
    std::shared_ptr<const SimultaneousSystem> sys_;
    bool simulation_;
    bool values_ = true;
    std::function<void()> changer_;
    PlotRequest plot_;
};

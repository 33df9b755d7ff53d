#pragma once

#include <QString>
#include <QStringList>

namespace varnel::store {
class DataControl;
}

namespace varnel::ui {

// What start-up gives the window to apply once the roster is open: the
// request-dates setting (the most characters typed into Request Dates) and
// the entries of both school lists, in order.
struct StartupSettings {
    int prefDatesSetting = 25;
    QStringList schools;
};

StartupSettings startupSettings();

// What Sort needs of the window: hide it and show the hourglass while the
// roster reloads.
class SortView {
public:
    virtual ~SortView() = default;
    virtual void setBusyPointer(bool busy) = 0; // hourglass, or the default
    virtual void hideWindow() = 0;
    virtual void showWindow() = 0;
};

// Sort: the hourglass, the window hidden, the roster reloaded in name order
// (store::reloadRoster), then the window and the pointer back. The soldier
// who was current stays current (the first record only where none was).
// When the reload fails, the window is shown again and the pointer restored
// before the failure goes on, so the clerk can read why.
void sortRoster(store::DataControl& binding, SortView& view);

} // namespace varnel::ui

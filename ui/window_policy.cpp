#include "ui/window_policy.h"

#include "store/record_commands.h"

namespace varnel::ui {

StartupSettings startupSettings()
{
    StartupSettings settings;
    settings.prefDatesSetting = 25;
    settings.schools = {QStringLiteral("NONE"), QStringLiteral("WLC"), QStringLiteral("ALC"), QStringLiteral("SLC"),
                        QStringLiteral("USASMC")};
    return settings;
}

void sortRoster(store::DataControl& binding, SortView& view)
{
    view.setBusyPointer(true);
    try {
        view.hideWindow();
        store::reloadRoster(binding);
    } catch (...) {
        // The clerk must see the window and a normal pointer to read why.
        view.showWindow();
        view.setBusyPointer(false);
        throw;
    }
    view.showWindow();
    view.setBusyPointer(false);
}

} // namespace varnel::ui

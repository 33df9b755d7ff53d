#include "ui/window_policy.h"

#include "store/data_control.h"
#include "store/record_commands.h"

#include <optional>

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
        // The soldier who was current stays current, in his place in the
        // new order; only where none was does the first become current.
        std::optional<qint64> current;
        if (binding.isOpen() && binding.recordset().hasCurrent())
            current = binding.recordset().currentKey();
        store::reloadRoster(binding);
        store::Recordset& rs = binding.recordset();
        if (const int at = current ? rs.positionOf(*current) : -1; at > 0)
            rs.moveTo(at);
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

#include "exchange/ui/SampleXmlExportCommand.h"

#include "base/ProductNames.h"
#include "base/Prompter.h"
#include "base/VarnexError.h"
#include "exchange/SampleExportToXml_DM.h"

namespace SampleXmlExportCommand {

std::optional<QString> ExportSelectedSamples(const QStringList &uuids)
{
    try {
        return TSampleExportToXmlDm::ExportSelected(uuids);
    } catch (const VarnexError &e) {
        Prompter::current().error(Varnex::ProgramName, e.message());
        return std::nullopt;
    }
}

} // namespace SampleXmlExportCommand

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A sample browser's "Export to XML": the browser hands over the UNIQUE_UUID of every selected row
// (in selection order) and this does the rest: the samples, whatever their status, each once, go
// to a file the officer picks (asked through the current prompter, written atomically). With no
// row selected nothing happens. A failure (none of the samples in the store, a damaged results
// blob, a file that cannot be written) is shown through the current prompter, and no file is
// written. Returns the file written, or nothing.
namespace SampleXmlExportCommand {
std::optional<QString> ExportSelectedSamples(const QStringList &uuids);
}

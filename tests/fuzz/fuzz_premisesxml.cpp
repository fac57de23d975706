// The premises XML layouts: any bytes are read or refused with VarnexError, and a document read is
// read the same by the binding of its layout.
#include "FuzzCheck.h"
#include "base/VarnexError.h"
#include "exchange/FoodPremisesXMLV3_UNT.h"
#include "exchange/PremisesXmlReader.h"
#include "exchange/XMLPremisesInterface.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    int records = 0;
    QStringList codes;
    PremisesXmlLayout layout;
    try {
        PremisesXmlReader reader;
        reader.OnRecord = [&](const PremisesXmlReader::Record &r) {
            FUZZ_CHECK(r.number == ++records);
            codes << r.leaf(r.layout == PremisesXmlLayout::CP ? u"CODE" : u"BusinessId");
        };
        layout = reader.Read(bytes, QStringLiteral("fuzz.xml"));
    } catch (const VarnexError &) {
        return 0;
    }
    if (layout == PremisesXmlLayout::CP) {
        const TXMLCPVRXPREM_METype cp = ParseCPVRXPREM_ME(bytes);
        FUZZ_CHECK(cp.Count() == records);
        for (int i = 0; i < cp.Count(); ++i)
            FUZZ_CHECK(cp[i].CODE == codes.at(i));
    } else {
        const TXMLPremisesDataType v3 = ParsePremisesData(bytes);
        FUZZ_CHECK(v3.PremisesList.Count() == records);
        for (int i = 0; i < v3.PremisesList.Count(); ++i)
            FUZZ_CHECK(v3.PremisesList[i].BusinessId == codes.at(i));
    }
    return 0;
}

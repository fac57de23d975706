#include "reports/Code39.h"

#include "base/VarnexError.h"

#include <QRegularExpression>

#include <cmath>
#include <memory>

#include <zint.h>

namespace Code39 {

bool canCarry(const QString &text)
{
    static const QRegularExpression carried(QStringLiteral("^[0-9A-Z .$/+%-]{1,80}$"));
    return carried.match(text).hasMatch();
}

Code39Bars encode(const QString &text)
{
    if (!canCarry(text))
        throw VarnexError(QStringLiteral("\"%1\" cannot be printed as a Code 39 bar code, which carries only capital "
                                         "letters, digits, space and - . $ / + % (1 to 80 of them)")
                              .arg(text.left(80)));
    std::unique_ptr<zint_symbol, void (*)(zint_symbol *)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol)
        throw VarnexError(QStringLiteral("The bar code library could not start."));
    symbol->symbology = BARCODE_CODE39;
    symbol->show_hrt = 0;
    symbol->warn_level = WARN_FAIL_ALL;
    const QByteArray bytes = text.toLatin1();
    int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(bytes.constData()), int(bytes.size()));
    if (rc < ZINT_ERROR)
        rc = ZBarcode_Buffer_Vector(symbol.get(), 0);
    if (rc >= ZINT_ERROR || !symbol->vector)
        throw VarnexError(QStringLiteral("\"%1\" could not be made into a Code 39 bar code: %2")
                              .arg(text, QString::fromLatin1(symbol->errtxt)));
    // The vector output draws one module as `scale` units wide (2 by default); whitespace is 0,
    // so the symbol starts at 0.
    const float unit = symbol->scale > 0 ? symbol->scale * 2 : 2;
    Code39Bars out;
    for (const zint_vector_rect *r = symbol->vector->rectangles; r; r = r->next) {
        const int start = int(std::lround(r->x / unit));
        const int width = int(std::lround(r->width / unit));
        out.bars.append({start, width});
        out.modules = std::max(out.modules, start + width);
    }
    return out;
}

} // namespace Code39

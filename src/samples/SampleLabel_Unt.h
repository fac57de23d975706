#pragma once

#include <QDateTime>
#include <QString>

// What a food product's label declares, as the officer records it with a sample. Kept in the
// sample twice: as the formatted text printed and shown (LABELLING_DETAILS) and as the structured
// text the declarations are read back from (LABELLING_XML).
//
// The structured text is this program's own XML layout, versioned:
//     <FoodLabel version="1"><MeatContentDeclared>Yes</MeatContentDeclared>...<ExpiryDate/></FoodLabel>
// one element per property, named after it; ExpiryDate in ISO 8601 (empty when none). Characters
// that XML cannot carry are left out of it. Unknown elements are skipped, so that a later version
// that adds properties can still be read here.
class TFoodLabel
{
public:
    static constexpr int XmlVersion = 1;

    QString MeatContentDeclared;
    QString MeatContentDecaration;
    QString PresevativesDeclared;
    QString PreservativesDeclaration;
    QString OtheradditivesDeclared;
    QString OtherAdditivesDeclaration;
    QString AddedWaterDeclared;
    QString AddedWaterDeclaration;
    QString AlergenNoticeDeclared;
    QString AlergenNoticeDeclaration;
    QString SuitableForVegetarians;
    QString NotSuitableForVegetarians;
    QString OtherDeclarationsDeclared;
    QString OtherDeclarations;
    QDateTime ExpiryDate;

    // A block per declared value (title, "Declared:", then the declaration's lines), each line
    // ended by CR LF; empty when nothing is declared. ExpiryDate is not part of it.
    QString AsFormattedText() const;

    QString AsXML() const;
    // Replaces every property with those of the text. Throws VarnexError naming the fault when the
    // text is not a label of a version this program reads; the label is unchanged then.
    void SetAsXML(const QString &xml);

    bool operator==(const TFoodLabel &other) const = default;

    // The vegetarian statements offered, and the two check lists of the declaration helpers.
    static const QStringList &VegetarianStatements();
    static const QStringList &Allergens();
    static const QStringList &OtherAdditives();
};

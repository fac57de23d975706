#pragma once

#include "gui/Base_FRM.h"
#include "samples/SampleLabel_Unt.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;

class TSampleLabelInfoFrmDefaults : public TDefaultInfo
{
public:
    QString InitialText; // the sample's LABELLING_XML
};

class TSampleLabelInfoFrmReturnInfo : public TReturnInfo
{
public:
    QString ReturnText; // for LABELLING_DETAILS
    QString ReturnXML;  // for LABELLING_XML
};

// "Labelling details": the declarations of a food product's label. Each choice is "Yes", "No" or,
// when nothing is chosen, "N/A". "View Label" shows the formatted text; "Save" hands the label
// back as formatted and structured text; "Close" hands back nothing. Stored details that cannot be
// read are said to be so, and shown empty; nothing is handed back unless the officer saves.
class TSampleLabelInfoFrm : public TBasefrm
{
    Q_OBJECT
public:
    static QString FormKey() { return QStringLiteral("LabelInfo"); }

    // What an editor calls: opens the dialog modally on the stored LABELLING_XML; the answer after
    // "Save", nullptr after "Close".
    static std::unique_ptr<TSampleLabelInfoFrmReturnInfo> Edit(TBasefrm *opener, const QString &labellingXml);

    explicit TSampleLabelInfoFrm(QObject *AOwner);
    void InitialiseDefaults(std::unique_ptr<TDefaultInfo> DefaultInfo) override;

    // The label as the editors now hold it.
    const TFoodLabel &Label();

    QComboBox *cmbMeatContent;
    QLineEdit *edtMeatContent;
    QComboBox *cmbPreservatives;
    QLineEdit *edtPreservatives;
    QComboBox *cmbOtherAdditives;
    QPlainTextEdit *memOtherAdditives;
    QComboBox *cmbAddedWater;
    QLineEdit *edtAddedWater;
    QComboBox *cmbAllergenNotice;
    QPlainTextEdit *memAllergenNotice;
    QComboBox *cmbVegetarian;
    QComboBox *cmbOtherDeclarations;
    QPlainTextEdit *memOtherDeclarations;
    QAction *actChooseOtherAdditives;
    QAction *actChooseAllergens;
    QAction *actViewLabel;
    QAction *actSave;

    // Opens the check-list helpers; tests replace them.
    std::function<std::optional<QString>(QObject *owner, const QString &text)> ChooseAllergens;
    std::function<std::optional<QString>(QObject *owner, const QString &text)> ChooseOtherAdditives;

private:
    // The grid of declarations: a choice and a text for each.
    QGridLayout *buildDeclarations();
    QHBoxLayout *buildButtons();
    void connectChoosers();
    void showLabel();
    void readLabel();
    void actViewLabelExecute();
    void actSaveExecute();

    TFoodLabel m_label;
};

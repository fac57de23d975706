#pragma once

#include "gui/Base_FRM.h"

#include <optional>

class QListWidget;
class QPlainTextEdit;

// A declaration helper of "Labelling details": the declaration's text with a check list beside
// it; "Add selected" appends the checked captions, in list order, each as a new line. "Save" sets
// Result and closes, "Close" closes without it.
class TLabelNoticeListFrm : public TBasefrm
{
    Q_OBJECT
public:
    TLabelNoticeListFrm(QObject *AOwner, const QString &caption, const QString &listCaption, const QStringList &items);

    // Opens the helper of class TForm modally on the text; the edited text after "Save", nothing
    // after "Close".
    template <class TForm>
    static std::optional<QString> Choose(QObject *owner, const QString &text)
    {
        std::unique_ptr<TForm> form(TBasefrm::Create<TForm>(owner));
        form->SetText(text);
        form->ShowModal();
        return form->Result ? std::optional<QString>(form->Text()) : std::nullopt;
    }

    void SetText(const QString &text);
    QString Text() const;

    bool Result = false;
    QPlainTextEdit *memNotice;
    QListWidget *lstItems;
    QAction *actAddSelected;
    QAction *actSave;

private:
    void actAddSelectedExecute();
};

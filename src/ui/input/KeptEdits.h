#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

class QWidget;

// Pages and tabs are built afresh at every switch, while what the user typed there and has not
// saved yet (a name waiting for its "Save") must outlive them. The window keeps that text here,
// under each field's key (FieldEdits::keepAs), from the view that goes to the one built next,
// together with the choices a view keeps with it (the slot a typed preset name is for, a simple
// filter's settings waiting for their upload).
class KeptEdits {
public:
    // Keeps the text of every keyed field below `root` that holds an edit; a keyed field that
    // holds none (saved, reloaded, never typed in) lets its kept text go.
    void takeFrom(const QWidget& root);
    // Gives every keyed field below `root` the text kept for it, as the user's edit.
    void giveBack(const QWidget& root) const;

    // What is kept belongs to one device (the window keeps one store for the pages of a device):
    // switching keeps the edits so far for the device before and brings back the new one's.
    void setDevice(const QString& device);
    const QString& device() const { return m_device; }
    // Whether anything is kept for another device than the current one.
    bool holdsFor(const QString& device) const;

    template <typename Choice>
    std::optional<Choice> choice(const QString& key) const {
        const auto kept = m_edits.choices.constFind(key);
        if (kept == m_edits.choices.constEnd() || kept->metaType() != QMetaType::fromType<Choice>())
            return std::nullopt;
        return kept->template value<Choice>();
    }
    template <typename Choice>
    void setChoice(const QString& key, const std::optional<Choice>& choice) {
        if (choice)
            m_edits.choices.insert(key, QVariant::fromValue(*choice));
        else
            m_edits.choices.remove(key);
    }

private:
    struct Edits {
        QHash<QString, QString> texts;
        QHash<QString, QVariant> choices;
    };
    Edits m_edits;
    QString m_device;
    QHash<QString, Edits> m_otherDevices;
};

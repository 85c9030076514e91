#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

// Text reaches a field by keys, paste, an input method or an assistive tool's text interface,
// and only some of these emit textEdited or mark the field modified. So a field's edits are
// told by its text changing: every change its owner did not make through `show` is the
// user's, marks the field modified (what a commit on leaving and commitPendingEdits look for)
// and is handed to `edited` (where given). A change made while the field does not hold the
// focus (an assistive tool's) is held until committed (holdUntilCommitted). A disabled field
// takes no text: a change made to it anyway (an assistive tool's) is put back to what the owner
// showed.
// Commits one field's pending text as leaving it does, where the focus stays (or never was).
void commitAsLeaving(QLineEdit& edit);

// Text set into a field that does not hold the focus (an assistive tool's, often a piece at a
// time) waits in it as typed text waits in the focused field, for the field's own commit
// (Return, its press action, the focus coming and leaving) or for its view to go away. Only
// one field holds such text: an edit of another field, a button's press or the focus moving
// elsewhere commits it first, as leaving the field would.
void holdUntilCommitted(QLineEdit& edit);
// The field holding such text, if any, and its commit where the text is still pending outside
// the focus (Return, its press action or a focus that came and left committed it already).
QLineEdit* heldEdit();
void commitHeldEdit();

class FieldEdits : public QObject {
    Q_OBJECT
public:
    explicit FieldEdits(QLineEdit& edit, std::function<void(const QString&)> edited = {});

    // The field's, made for it before.
    static FieldEdits& of(QLineEdit& edit);

    // The owner's text: shown as it is, no edit, and the field holds no pending edit.
    void show(const QString& text);
    // The field holds an edit not yet committed (typed, or set by an assistive tool): the
    // owner's refreshes leave it alone until then.
    bool editing() const;

    // Return commits the field through `commit`, only when it holds the user's edit: Return in
    // a field nobody changed writes nothing, as a number field's commit does, and a text the
    // device holds is never written back as the field shows it.
    void commitOnReturn(std::function<void()> commit);

    // A name field takes no control character: a line break (or any other) that arrives, by
    // a paste, an input method or an assistive tool, is dropped at once, as the device drops
    // it from the names it stores. Names are written on one line of the files we write.
    void takeNamesOnly() { m_namesOnly = true; }

    // A field whose text waits for a button to save it (a name and its "Save") has no commit
    // on leaving: its unsaved text is kept under `key` while its view is gone (KeptEdits).
    void keepAs(const QString& key) { m_keptAs = key; }
    const QString& keptAs() const { return m_keptAs; }
    // The user's unsaved text, given back to the field of a view built again: an edit as typed,
    // also while the field is disabled for now (the user typed it while it was not).
    void giveBack(const QString& text);

private:
    void changed(const QString& text);
    bool dropControls(const QString& text);

    QLineEdit& m_edit;
    std::function<void(const QString&)> m_edited;
    QString m_shown;
    QString m_keptAs;
    bool m_namesOnly = false;
};

#pragma once

#include <memory>
#include <vector>

#include <QObject>
#include <QPointer>

class QWidget;
class Recordset;
class RecordsetModel;

// Binds text boxes (QLineEdit, QPlainTextEdit) and check boxes to fields of a recordset's
// current row, through its item model: controls are refreshed on every move, and a value put
// into a control (by the user or by code) is carried into the row.
class DataBinder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataBinder)

public:
    explicit DataBinder(QObject *parent = nullptr);
    ~DataBinder() override;

    void bind(QWidget *control, const QString &field);
    void setRecordset(std::shared_ptr<Recordset> recordset);
    std::shared_ptr<Recordset> recordset() const;
    RecordsetModel *model() const { return m_model; }
    // Shows the current row in every bound control.
    void refresh();

    // The text of a text box of either kind, and setting it as typing would.
    static QString textOf(const QWidget *control);
    static void setTextOf(QWidget *control, const QString &text);

private:
    struct Binding {
        QPointer<QWidget> control;
        QString field;
    };
    void carryIntoRow(const QWidget *control);
    void showValue(const Binding &binding, const QVariant &value);

    RecordsetModel *m_model;
    std::vector<Binding> m_bindings;
    bool m_refreshing = false;
};

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The dentists' names in a page's header cells. One rule for the whole page, the first that fits every
// cell: the names as written, on one line or two; the first names as initials before the surname, on one
// line; the surnames alone, on one line or two; last, each column's number. A shorter form that would
// print two dentists alike is passed over. Whenever the cells do not show the names as written, the
// page carries a legend of them.
class HeaderNames {
public:
    enum class Form { AsWritten, Initials, Surname, Number };

    // width: the printed width of a text in the header's font. room: the width a name may take in a cell.
    [[nodiscard]] static HeaderNames choose(const QStringList& names, qreal room,
                                            const std::function<qreal(const QString&)>& width);
    // The names in a form chosen before (on the narrowest page of a job, so that all its pages agree),
    // on one line or the lines the form allows; a name that fits neither is left whole, to be cut.
    [[nodiscard]] static HeaderNames inForm(Form form, const QStringList& names, qreal room,
                                            const std::function<qreal(const QString&)>& width);

    [[nodiscard]] Form form() const { return m_form; }
    // The lines of each dentist's cell (one or two), in column order.
    [[nodiscard]] const QList<QStringList>& cells() const { return m_cells; }
    // The most lines any cell takes: the header band is as tall as that.
    [[nodiscard]] int lineCount() const;
    [[nodiscard]] bool needsLegend() const { return m_form != Form::AsWritten; }

    // A name in a given form: "Dott.ssa Chiara Bellandi" gives "C. Bellandi" and "Bellandi"; a name
    // ending in a number ("Dentista 4") keeps its whole self as initials and the number as surname.
    [[nodiscard]] static QString nameIn(Form form, const QString& name, int column);

private:
    Form m_form = Form::AsWritten;
    QList<QStringList> m_cells;
};

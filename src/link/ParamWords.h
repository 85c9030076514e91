#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// What a parameter's word list must be: long enough to count as the device's answer, and,
// for a project, no longer than the parameter and holding only values the window's own
// controls could set (the block setters' clamps and the vocabularies' choices). Read-back,
// project Open and project Save all ask here, so whatever Save writes, Open takes.
namespace paramwords {

// The fewest words an answer may carry and still count as read: the parameter's word count,
// but five for a limiter, which older firmware reports with five. 0 for numbers that are no
// parameter of the map.
int shortest(uint32_t number);
bool isWhole(uint32_t number, const QList<quint32>& words);

// Why the words cannot be part of a project, naming the parameter: too few words, too many,
// a level that is no number, or a value outside what its control sets. None when they can.
std::optional<QString> problem(uint32_t number, const QList<quint32>& words);

// Why a word holds a number no control could show, naming the parameter: a level that is no
// number or infinite, or a number outside its control's range (4294967295 Hz). Zero passes,
// as the controls show it; so do choices, which their own controls show as unknown. None
// when every number can be shown.
std::optional<QString> unshowable(uint32_t number, const QList<quint32>& words);
// Whether a control could show word `index` of the words, by the same rule.
bool showable(uint32_t number, const QList<quint32>& words, qsizetype index);

}  // namespace paramwords

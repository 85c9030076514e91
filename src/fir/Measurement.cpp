#include "fir/Measurement.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

#include "fir/TextLines.h"
#include "platform/NumText.h"

namespace {

constexpr qsizetype minimumPoints = 10;

std::optional<double> numberAt(const QList<QStringView>& fields, qsizetype index) {
    if (index >= fields.size()) return std::nullopt;
    return numtext::parseDouble(fields[index]);
}

std::optional<double> finiteAt(const QList<QStringView>& fields, qsizetype index) {
    const std::optional<double> value = numberAt(fields, index);
    return value && std::isfinite(*value) ? value : std::nullopt;
}

std::optional<Measurement::Point> pointOf(QStringView line) {
    const QList<QStringView> fields = textlines::fields(line);
    const std::optional<double> hz = finiteAt(fields, 0);
    const std::optional<double> db = finiteAt(fields, 1);
    if (!hz || !db || !(*hz > 0)) return std::nullopt;
    return Measurement::Point{*hz, *db, finiteAt(fields, 2), finiteAt(fields, 3)};
}

// The whole turns that bring a phase within 180 degrees of the previous one,
// computed at once: a loop of 360-degree steps would never end on a huge phase.
double turnsTowards(double difference) {
    if (difference > 180) return -std::ceil((difference - 180) / 360);
    if (difference < -180) return std::ceil((-180 - difference) / 360);
    return 0;
}

std::optional<double> optionalNumber(const QJsonObject& object, const QString& key, bool& ok) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) return std::nullopt;
    if (!value.isDouble()) ok = false;
    return value.toDouble();
}

}  // namespace

std::optional<Measurement> Measurement::parse(QStringView text, const QString& name) {
    Measurement measurement{name, {}};
    for (QStringView line : textlines::dataLines(text, {u"*", u"#"}))
        if (const std::optional<Point> point = pointOf(line)) measurement.points.push_back(*point);
    if (qsizetype(measurement.points.size()) < minimumPoints) return std::nullopt;
    std::stable_sort(measurement.points.begin(), measurement.points.end(),
                     [](const Point& a, const Point& b) { return a.hz < b.hz; });
    return measurement;
}

std::vector<double> Measurement::unwrappedPhases(const std::vector<Point>& points) {
    std::vector<double> phases;
    phases.reserve(points.size());
    double offset = 0;
    double previous = 0;
    bool seen = false;
    for (const Point& point : points) {
        if (point.deg && std::isfinite(*point.deg)) {
            if (seen) offset += 360 * turnsTowards(*point.deg + offset - previous);
            previous = *point.deg + offset;
            seen = true;
        }
        phases.push_back(previous);
    }
    return phases;
}

DBPhase Measurement::interpolate(const std::vector<double>& phases, const std::vector<Point>& points,
                                 double hz) {
    const double logHz = std::log(hz);
    DBPhase result;
    interpolateRising(phases, points, {&hz, 1}, {&logHz, 1}, {&result.db, 1}, {&result.deg, 1});
    return result;
}

void Measurement::interpolateRising(const std::vector<double>& phases, const std::vector<Point>& points,
                                    std::span<const double> hz, std::span<const double> logHz,
                                    std::span<double> db, std::span<double> deg) {
    const std::size_t n = points.size();
    if (n == 0) {
        std::fill(db.begin(), db.end(), 0.0);
        std::fill(deg.begin(), deg.end(), 0.0);
        return;
    }
    const auto phaseAt = [&](std::size_t i) { return i < phases.size() ? phases[i] : 0.0; };
    // The interval of points[lo] and points[lo + 1] that the last frequency fell in, with
    // what its line needs: the logarithms of its ends are taken once, and the one the
    // next interval starts with is not taken again.
    std::size_t lo = 0;
    std::size_t lined = n;
    double logLo = 0, logHi = 0, inverseSpan = 0;
    for (std::size_t i = 0; i < hz.size(); ++i) {
        if (hz[i] <= points.front().hz || hz[i] >= points.back().hz) {
            const std::size_t end = hz[i] <= points.front().hz ? 0 : n - 1;
            db[i] = points[end].db;
            deg[i] = phaseAt(end);
            continue;
        }
        // Step on a point at a time, and gallop then halve when a few steps are not enough:
        // steps cost a mispredicted branch each time they stop, a search one at every halving.
        std::size_t hi = lo + 1;
        for (int steps = 0; steps < 8 && hi < n - 1 && points[hi].hz <= hz[i]; ++steps) lo = hi++;
        if (hi < n - 1 && points[hi].hz <= hz[i]) {
            for (std::size_t step = 1; hi < n - 1 && points[hi].hz <= hz[i]; step *= 2) {
                lo = hi;
                hi = std::min(hi + step, n - 1);
            }
            while (hi - lo > 1) {
                const std::size_t mid = (lo + hi) / 2;
                (points[mid].hz <= hz[i] ? lo : hi) = mid;
            }
        }
        if (lined != lo) {
            logLo = lined + 1 == lo ? logHi : std::log(points[lo].hz);
            logHi = std::log(points[hi].hz);
            inverseSpan = 1 / (logHi - logLo);
            lined = lo;
        }
        const double t = (logHz[i] - logLo) * inverseSpan;
        db[i] = points[lo].db + t * (points[hi].db - points[lo].db);
        deg[i] = phaseAt(lo) + t * (phaseAt(hi) - phaseAt(lo));
    }
}

bool Measurement::hasPhase(const std::vector<Point>& points) {
    const auto withPhase = std::count_if(points.begin(), points.end(),
                                         [](const Point& p) { return p.deg && std::isfinite(*p.deg); });
    return std::size_t(withPhase) > points.size() / 2;
}

QJsonObject Measurement::Point::toJson() const {
    QJsonObject object{{"hz", hz}, {"db", db}};
    if (deg) object.insert("deg", *deg);
    if (coherence) object.insert("coherence", *coherence);
    return object;
}

std::optional<Measurement::Point> Measurement::Point::fromJson(const QJsonObject& object) {
    const QJsonValue hz = object.value("hz");
    const QJsonValue db = object.value("db");
    if (!hz.isDouble() || !db.isDouble()) return std::nullopt;
    bool ok = true;
    Point point{hz.toDouble(), db.toDouble(), optionalNumber(object, "deg", ok),
                optionalNumber(object, "coherence", ok)};
    return ok ? std::optional(point) : std::nullopt;
}

QJsonObject Measurement::toJson() const {
    QJsonArray array;
    for (const Point& point : points) array.append(point.toJson());
    return {{"name", name}, {"points", array}};
}

std::optional<Measurement> Measurement::fromJson(const QJsonObject& object) {
    const QJsonValue name = object.value("name");
    const QJsonValue points = object.value("points");
    if (!name.isString() || !points.isArray()) return std::nullopt;
    Measurement measurement{name.toString(), {}};
    for (const QJsonValue& value : points.toArray()) {
        const std::optional<Point> point =
            value.isObject() ? Point::fromJson(value.toObject()) : std::nullopt;
        if (!point) return std::nullopt;
        measurement.points.push_back(*point);
    }
    return measurement;
}

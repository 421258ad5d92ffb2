#include "ExportJob.h"

#include "Mp3Join.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {
QString readFailed(const QFile& file)
{
    return QStringLiteral("无法读取（%1）").arg(file.errorString());
}

QString writeFailed(const QSaveFile& file)
{
    return QStringLiteral("无法写入（%1）").arg(file.errorString());
}
}  // namespace

void ExportJob::addJoin(const QString& target, const QStringList& sources)
{
    steps.push_back({target, sources, {}});
}

void ExportJob::addComparison(const QString& target, ComparisonTrack track)
{
    steps.push_back({target, {}, {}});
    steps.back().comparison.push_back(std::move(track));
}

bool ExportJob::hasComparison() const
{
    return std::any_of(steps.begin(), steps.end(),
                       [](const Step& s) { return !s.comparison.empty(); });
}

QStringList ExportJob::targets() const
{
    QStringList all;
    for (const Step& s : steps)
        all << s.target;
    return all;
}

ExportJob::Outcome ExportJob::run(std::atomic<int>& permille, const std::atomic<bool>& cancel) const
{
    Outcome outcome;
    permille = 0;
    const int count = int(steps.size());
    for (int i = 0; i < count; ++i) {
        if (cancel) {
            outcome.reason = ComparisonTrack::cancelledReason();
            break;
        }
        auto within = [&permille, i, count](int part) {
            permille = (i * kPermille + part) / count;
        };
        if (!runStep(steps[std::size_t(i)], within, cancel, outcome))
            break;
        outcome.written << steps[std::size_t(i)].target;
        permille = (i + 1) * kPermille / count;
    }
    return outcome;
}

bool ExportJob::runStep(const Step& step, const ComparisonTrack::Progress& progress,
                        const std::atomic<bool>& cancel, Outcome& outcome) const
{
    auto fail = [&outcome](const QString& file, const QString& reason) {
        outcome.failedFile = file;
        outcome.reason = reason;
        return false;
    };

    QByteArray joined;
    if (step.comparison.empty()) {
        std::vector<mp3join::Recording> pieces;
        pieces.reserve(std::size_t(step.sources.size()));
        for (const QString& source : step.sources) {
            QFile in(source);
            if (!in.open(QIODevice::ReadOnly))
                return fail(source, readFailed(in));
            QByteArray bytes = in.readAll();
            if (in.error() != QFileDevice::NoError)
                return fail(source, readFailed(in));
            if (step.sources.size() == 1) {
                joined = std::move(bytes);
                break;
            }
            pieces.emplace_back();
            if (QString why = mp3join::parse(std::move(bytes), &pieces.back()); !why.isEmpty())
                return fail(source, why);
        }
        if (!pieces.empty()) {
            if (QString why = mp3join::join(pieces, &joined); !why.isEmpty())
                return fail(step.target, why);
        }
    }

    QSaveFile out(step.target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(step.target, writeFailed(out));
    if (!step.comparison.empty()) {
        const ComparisonTrack::Problem problem =
            step.comparison.front().write(out, progress, cancel);
        if (!problem.ok()) {
            out.cancelWriting();
            return fail(problem.file.isEmpty() ? step.target : problem.file, problem.reason);
        }
    } else if (out.write(joined) != joined.size()) {
        out.cancelWriting();
        return fail(step.target, writeFailed(out));
    }
    if (!out.commit())
        return fail(step.target, writeFailed(out));
    return true;
}

// Fuzz target for the trains-file reader: any bytes are read as a list file into a material
// tree, as the library does on start-up, with parse errors collected instead of shown. Besides
// the sanitizers it checks that a failed read is reported and a reported one failed, that every
// row is a train, case or separator, and that whatever rows were read (all of them, or those
// before an error, which the next change writes back) are saved as a list that reads back
// without error and saves to the same bytes again.
#include "TrainsWriter.h"
#include "XmlHandler.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QProxyStyle>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
// Every read asks the style for its folder and file icons; the platform style decodes them
// from PNG each time, which would take most of each run. The first answers are kept.
class KeptIconsStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        auto it = icons.constFind(which);
        if (it == icons.constEnd())
            it = icons.insert(which, QProxyStyle::standardIcon(which, option, widget));
        return *it;
    }
    QPixmap standardPixmap(StandardPixmap which, const QStyleOption* option,
                           const QWidget* widget) const override
    {
        auto it = pixmaps.constFind(which);
        if (it == pixmaps.constEnd())
            it = pixmaps.insert(which, QProxyStyle::standardPixmap(which, option, widget));
        return *it;
    }

private:
    mutable QHash<int, QIcon> icons;
    mutable QHash<int, QPixmap> pixmaps;
};

QTreeWidget* readTree = nullptr;
QTreeWidget* againTree = nullptr;

[[noreturn]] void fail(const char* what, const QByteArray& detail = {})
{
    std::fprintf(stderr, "trains file: %s\n%s\n", what, detail.constData());
    std::abort();
}

void checkRows(const QTreeWidget* tree)
{
    std::vector<const QTreeWidgetItem*> rows{tree->invisibleRootItem()};
    while (!rows.empty()) {
        const QTreeWidgetItem* row = rows.back();
        rows.pop_back();
        for (int i = 0; i < row->childCount(); ++i)
            rows.push_back(row->child(i));
        if (row == tree->invisibleRootItem())
            continue;
        const QString element = row->data(0, XmlHandler::ElementRole).toString();
        if (element == QLatin1String("case")) {
            if (row->text(2).isEmpty())
                fail("a case row has no state text");
        } else if (element == QLatin1String("separator")) {
            if (row->flags() & Qt::ItemIsSelectable)
                fail("a separator row can be selected");
        } else if (element != QLatin1String("train")) {
            fail("a row of an unknown element", element.toUtf8());
        }
    }
}

// Reads `bytes` into `tree`; the report of a parse error goes to `error`.
bool read(QTreeWidget* tree, QByteArray bytes, QString* error)
{
    tree->clear();
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        fail("buffer did not open");
    return XmlHandler::readDevice(tree, &buffer, false, error);
}

QByteArray written(const QTreeWidget* tree)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !TrainsWriter::write(TrainsWriter::document(tree), &buffer))
        fail("the list could not be written");
    return bytes;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Declared encodings the text codecs do not know are warned about at every read; the
    // fuzzer's own report is what matters, and fatal messages still abort.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::abort();
        }
    });
    static int argc = 1;
    static char name[] = "fuzz_trainsfile";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    QApplication::setStyle(new KeptIconsStyle);
    // Practice folders that cases in the seeds name as learned.
    static QTemporaryDir home;
    if (!home.isValid() || !QDir::setCurrent(home.path()))
        fail("no working folder");
    for (const char* folder : {"lesson1", "Unit 2", "第三课"})
        QDir().mkpath(QStringLiteral("workspace/train/") + QString::fromUtf8(folder));
    readTree = new QTreeWidget;
    againTree = new QTreeWidget;
    readTree->setColumnCount(4);
    againTree->setColumnCount(4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const bool ok =
        read(readTree, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    if (ok != error.isEmpty())
        fail(ok ? "a read that succeeded reported an error" : "a failed read was not reported",
             error.toUtf8());
    checkRows(readTree);

    const QByteArray first = written(readTree);
    QString againError;
    if (!read(againTree, first, &againError))
        fail("a written list does not read back", againError.toUtf8() + "\n" + first);
    checkRows(againTree);
    const QByteArray second = written(againTree);
    if (second != first)
        fail("a list read back saves differently", first + "\n----\n" + second);
    return 0;
}

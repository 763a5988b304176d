// The translation sources: every text of the library is in both files, in
// its context, and translated.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QXmlStreamReader>

#include <map>
#include <set>
#include <string>

namespace {

// context -> source -> translation
using Catalogue = std::map<std::string, std::map<std::string, std::string>>;

Catalogue Read(const QString &path, bool *ok) {
    Catalogue catalogue;
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    std::string context, source;
    bool unfinished = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"name") {
            context = xml.readElementText().toStdString();
        } else if (xml.name() == u"source") {
            source = xml.readElementText().toStdString();
        } else if (xml.name() == u"translation") {
            unfinished = xml.attributes().value("type") == u"unfinished";
            const std::string text = xml.readElementText().toStdString();
            catalogue[context][source] = unfinished ? std::string() : text;
        }
    }
    *ok = *ok && !xml.hasError();
    return catalogue;
}

// What lupdate finds in a folder's sources and forms today.
Catalogue Extracted(const QString &folder) {
    QTemporaryDir directory;
    const QString ts = directory.filePath("extracted.ts");
    QProcess lupdate;
    const QDir sources(folder);
    QStringList arguments = sources.entryList({"*.cpp", "*.ui"}, QDir::Files);
    arguments << "-locations"
              << "none"
              << "-silent"
              << "-ts" << ts;
    lupdate.setWorkingDirectory(sources.path());
    lupdate.start(AUTHDLG_LUPDATE, arguments);
    lupdate.waitForFinished(60000);
    bool ok = false;
    return Read(ts, &ok);
}

struct ShippedCatalogue {
    const char *name;
    const char *sources;  // the folder lupdate reads
    const char *file;     // translations/<file> in that folder
    size_t contexts;      // how many contexts lupdate must find there
};

class TranslationFile : public ::testing::TestWithParam<ShippedCatalogue> {};

TEST_P(TranslationFile, TranslatesEveryTextOfItsSources) {
    const ShippedCatalogue &catalogue = GetParam();
    bool ok = false;
    const Catalogue shipped = Read(QString(catalogue.sources) + "/translations/" + catalogue.file, &ok);
    ASSERT_TRUE(ok);
    const Catalogue extracted = Extracted(catalogue.sources);
    ASSERT_EQ(extracted.size(), catalogue.contexts) << "lupdate found other contexts than expected";

    for (const auto &[context, messages] : extracted) {
        for (const auto &[source, unused] : messages) {
            const auto found = shipped.find(context);
            ASSERT_NE(found, shipped.end()) << context;
            const auto message = found->second.find(source);
            ASSERT_NE(message, found->second.end()) << context << ": \"" << source << "\" is missing";
            EXPECT_FALSE(message->second.empty()) << context << ": \"" << source << "\" is not translated";
        }
    }
}

// The dialogs: QObject, WFingerPrint and WPinInput; the login demo's sensor
// window: its window and the demo host.
INSTANTIATE_TEST_SUITE_P(
    Languages, TranslationFile,
    ::testing::Values(ShippedCatalogue{"DialogsGerman", AUTHDLG_SOURCE_DIR, "authdlg_de.ts", 3},
                      ShippedCatalogue{"DialogsChinese", AUTHDLG_SOURCE_DIR, "authdlg_zh_CN.ts", 3},
                      ShippedCatalogue{"SensorGerman", FPLOGIN_SOURCE_DIR, "fplogin_de.ts", 2},
                      ShippedCatalogue{"SensorChinese", FPLOGIN_SOURCE_DIR, "fplogin_zh_CN.ts", 2}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(CompiledTranslations, AreBuiltBesideTheLibrary) {
    for (const char *name : {"authdlg/translations/authdlg_de.qm", "authdlg/translations/authdlg_zh_CN.qm",
                             "fplogin/translations/fplogin_de.qm", "fplogin/translations/fplogin_zh_CN.qm"}) {
        EXPECT_TRUE(QFile::exists(QString(FPKEY_BINARY_DIR) + "/share/" + name)) << name;
    }
}

}  // namespace

// Where the login looks for Qt plug-ins: beside the login library only. A
// plug-in runs as code in the login process, and the host's working
// directory may be a folder that anyone can write to.
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>

#include "login_fixture.h"

namespace authdlg_test {
namespace {

TEST_F(LoginTest, PluginFoldersAroundTheWorkingDirectoryAreNotSearched) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir base(folder.path());
    ASSERT_TRUE(base.mkpath("plugins") && base.mkpath("host/plugins"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(base.filePath("host")));

    const uint64_t result = Login(LOGIN_CACHE_ONLY, LOGIN_FLAG_SILENT);
    QDir::setCurrent(before);

    EXPECT_EQ(result, LOGIN_E_NO_CACHE);
    const QStringList searched = QCoreApplication::libraryPaths();
    for (const char *planted : {"plugins", "host/plugins"}) {
        const QString path = QFileInfo(base.filePath(planted)).canonicalFilePath();
        EXPECT_FALSE(searched.contains(path)) << Str(path) << " is searched for plug-ins";
    }
}

}  // namespace
}  // namespace authdlg_test

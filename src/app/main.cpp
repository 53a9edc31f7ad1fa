#include <QCoreApplication>
#include <QTextStream>

// Placeholder entry until the agenda window exists.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Calvora " << QStringLiteral(CALVORA_VERSION) << '\n';
    return 0;
}

// Writes the large measurement database: make_large_db <file> (the file must not exist yet).
#include "Database.h"
#include "LargeDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 2 || QFileInfo::exists(QString::fromLocal8Bit(argv[1]))) {
        out << "Uso: make_large_db <nuovo file .sqlite>\n";
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    Database db(QString::fromLocal8Bit(argv[1]));
    const qint64 count = LargeDatabase::fill(db);
    out << count << " appuntamenti scritti in " << timer.elapsed() << " ms\n";
    return 0;
}

#include "shell/FileDialogSize.h"

#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

void SizeFileDialogToColumns(QFileDialog& dialog, int minimumHeight)
{
    dialog.resize(dialog.width(), std::max(dialog.height(), minimumHeight));
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (tree && tree->header())
    {
        QHeaderView* header = tree->header();
        const QFontMetrics fm(tree->font());
        const QFontMetrics headerFm(header->font());
        // The longest texts a column usually shows, as the list formats them; the header's own
        // label where it is longer, with room for the sort mark.
        const QLocale locale = QLocale::system();
        const QString samples[] = {
            QStringLiteral("wwwwwwwwwwwwwwwwwwwwww"),
            locale.formattedDataSize(1023 * 1024 + 1013),
            QStringLiteral("Document JPEG2000"),
            locale.toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), QLocale::ShortFormat),
        };
        const int mark = dialog.style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) +
                         4 * dialog.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const int count = std::min(header->count(), 4);
        int total = 0;
        for (int i = 0; i < count; ++i)
        {
            const QString label =
                tree->model() ? tree->model()->headerData(i, Qt::Horizontal).toString() : QString();
            const int width =
                std::max(fm.horizontalAdvance(samples[i]) + 16, headerFm.horizontalAdvance(label) + mark);
            header->resizeSection(i, width);
            total += width;
        }
        // The list's width with its frame and a vertical scroll bar. The dialog shares out what
        // it gains between its parts: widened until the list has it all.
        const int needed = total + 2 * tree->frameWidth() +
                           dialog.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree) + 2;
        for (int i = 0; i < 4 && tree->width() < needed; ++i)
        {
            const int before = tree->width();
            dialog.resize(dialog.width() + needed - before, dialog.height());
            if (tree->width() == before) break; // the list no longer grows
        }
    }

    // Within the screen it opens on.
    const QScreen* screen =
        dialog.parentWidget() ? dialog.parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen)
    {
        const QSize room = screen->availableGeometry().size() - QSize(16, 48);
        dialog.resize(std::min(dialog.width(), room.width()), std::min(dialog.height(), room.height()));
    }
}

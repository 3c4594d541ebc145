#include "app/help_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "media/dximagelist.h"
#include "platform/form_setup.h"

namespace prismcrate {
namespace {

constexpr int kFloor = 8;

QLabel* wrappedLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::RichText);
    return label;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    return label;
}

// Copies pattern `n` of a sheet into `image` at (0, 0), leaving out the key colour when the
// sheet is drawn transparent. False when the sheet has no such pattern.
bool drawPattern(TPictureCollectionItem& sheet, int n, QImage& image) {
    if (sheet.Picture.Empty() || n < 0 || n >= sheet.PatternCount()) return false;
    const int columns = sheet.Columns();
    const int left = (n % columns) * sheet.CW();
    const int top = (n / columns) * sheet.CH();
    const TColor key = sheet.TransparentColor();
    const std::uint32_t keyRgb =
        0xFF000000u | ((key & 0xFFu) << 16) | (key & 0xFF00u) | ((key >> 16) & 0xFFu);
    for (int y = 0; y < sheet.PH() && y < image.height() && top + y < sheet.Picture.Height(); ++y) {
        const std::uint32_t* row = sheet.Picture.ScanLine(top + y);
        for (int x = 0; x < sheet.PW() && x < image.width() && left + x < sheet.Picture.Width();
             ++x) {
            const std::uint32_t pixel = row[left + x] | 0xFF000000u;
            if (sheet.Transparent && pixel == keyRgb) continue;
            image.setPixel(x, y, pixel);
        }
    }
    return true;
}

}  // namespace

const std::vector<HelpObject>& helpObjects() {
    static const std::vector<HelpObject> objects = {
        {0, 3, kFloor, "Робот",
         "Это вы. Стрелки ведут его на клетку влево, вверх, вправо или вниз; идя на подвижный "
         "предмет, он толкает его на клетку дальше, если там свободно."},
        {0, 11, kFloor, "Ящик",
         "Его нужно поставить на цель. Уровень пройден, когда все ящики стоят на целях. "
         "Ящик задерживает луч и переживает взрыв."},
        {0, 12, 9, "Ящик на цели", "Ящик, который уже стоит на цели, становится синим."},
        {0, 9, -1, "Цель", "Место для ящика."},
        {0, kFloor, -1, "Пол", "По полу ходят робот и предметы."},
        {0, 10, -1, "Стена", "Не пропускает ни робота, ни предметы, ни луч. Взрыв её разрушает."},
        {0, 21, -1, "Сталь", "Как стена, но взрыв её не берёт."},
        {0, 19, kFloor, "Камень",
         "Его можно толкать. Задерживает луч; взрыв его разрушает. На цель его ставить не "
         "нужно."},
        {0, 20, kFloor, "Бомба",
         "Её можно толкать. Луч её взрывает: взрыв накрывает её клетку и четыре соседние, "
         "взрывает там другие бомбы и уничтожает робота, стены, камни, зеркала и лазеры."},
        {0, 13, kFloor, "Зеркало \\", "Поворачивает луч под прямым углом. Его можно толкать."},
        {0, 14, kFloor, "Зеркало /", "То же зеркало, наклонённое в другую сторону."},
        {0, 17, kFloor, "Лазер",
         "Стоит на месте и посылает луч в одну сторону (влево, вверх, вправо или вниз). "
         "Робота не пропускает."},
        {1, 0, kFloor, "Луч",
         "Идёт от лазера до первого препятствия; зеркала его поворачивают, бомбы на его пути "
         "взрываются. Луч уничтожает робота."},
        {0, 24, -1, "Плита",
         "Пока на ней стоит робот или любой предмет, она нажата, и все ворота открыты."},
        {0, 25, -1, "Нажатая плита", "Плита, на которой что-то стоит."},
        {0, 22, -1, "Ворота",
         "Закрытые ворота не пропускают ни робота, ни луч; взрыв их не берёт."},
        {0, 23, -1, "Открытые ворота",
         "Ворота открыты, пока нажата хотя бы одна плита: по ним можно пройти."},
        {1, 6, kFloor, "Взрыв", "Так выглядит взрыв бомбы."},
        {0, 26, kFloor, "Обломки робота",
         "Робот уничтожен: отмените ход (Ctrl+Z) или начните уровень заново (F2)."},
    };
    return objects;
}

QImage helpPicture(TDXImageList& images, const HelpObject& object, int scale) {
    if (images.Items.Count() < 2) return {};
    TPictureCollectionItem& tiles1 = images.Items[0];
    TPictureCollectionItem& sheet = images.Items[object.sheet];
    QImage image(sheet.PW(), sheet.PH(), QImage::Format_RGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    if (object.under >= 0 && !drawPattern(tiles1, object.under, image)) return {};
    if (!drawPattern(sheet, object.pattern, image)) return {};
    return image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

THelpForm::THelpForm(TDXImageList& images, QWidget* parent) : QDialog(parent) {
    setUpForm(*this, QStringLiteral("Как играть"), FormBorder::DialogWithClose, QSize(560, 540));
    setModal(false);

    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->addWidget(heading(QStringLiteral("Цель игры"), page));
    column->addWidget(wrappedLabel(
        QStringLiteral("Робот должен поставить все ящики на цели. Он толкает перед собой один "
                       "предмет и не может тянуть. Берегитесь лучей лазеров и взрывов: они "
                       "уничтожают робота. Пройденный уровень сменяется следующим уровнем "
                       "набора; пройденные уровни отмечены в списке знаком ✓."),
        page));

    column->addWidget(heading(QStringLiteral("Что есть на поле"), page));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    int row = 0;
    for (const HelpObject& object : helpObjects()) {
        auto* picture = new QLabel(page);
        picture->setObjectName(QStringLiteral("picture%1").arg(row));
        const QImage image = helpPicture(images, object);
        if (!image.isNull()) picture->setPixmap(QPixmap::fromImage(image));
        picture->setFixedSize(48, 48);
        auto* text = wrappedLabel(QStringLiteral("<b>%1.</b> %2")
                                      .arg(QString::fromUtf8(object.name).toHtmlEscaped(),
                                           QString::fromUtf8(object.text).toHtmlEscaped()),
                                  page);
        grid->addWidget(picture, row, 0, Qt::AlignTop);
        grid->addWidget(text, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);

    column->addWidget(heading(QStringLiteral("Клавиши"), page));
    column->addWidget(wrappedLabel(
        QStringLiteral("<table cellspacing=3>"
                       "<tr><td><b>Стрелки</b></td><td>ход робота</td></tr>"
                       "<tr><td><b>Ctrl+Z</b></td><td>отменить последний ход</td></tr>"
                       "<tr><td><b>F2</b></td><td>начать уровень заново</td></tr>"
                       "<tr><td><b>Ctrl+O</b></td><td>выбрать уровень или набор</td></tr>"
                       "<tr><td><b>Ctrl+H</b></td><td>подсказка: следующий ход кратчайшего "
                       "решения</td></tr>"
                       "<tr><td><b>F1</b></td><td>это окно</td></tr>"
                       "<tr><td><b>Escape</b></td><td>выход из игры</td></tr></table>"),
        page));

    column->addWidget(heading(QStringLiteral("Редактор"), page));
    column->addWidget(wrappedLabel(
        QStringLiteral("Пункт «Редактор» открывает редактор уровней. Выберите инструмент в "
                       "палитре справа внизу (подсказка называет его), рисуйте левой кнопкой "
                       "мыши, стирайте правой. «Уровень» → «Изменить название» даёт уровню "
                       "имя, «Запустить» сразу проверяет его в игре, а «Редактор» возвращает к "
                       "нему. Ctrl+S сохраняет уровень в файл .lev, Ctrl+O открывает, Ctrl+N "
                       "начинает новый; «Проверить решаемость» (Ctrl+R) ищет решение уровня и "
                       "может показать его в игре; «Создать набор уровней» собирает файлы "
                       "уровней в набор .lvp, который открывается в окне выбора уровня."),
        page));
    column->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(page);

    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
}

void THelpForm::showHelp() {
    show();
    raise();
    activateWindow();
}

}  // namespace prismcrate

#include "app/solve_form.h"

#include <QLocale>

#include "platform/form_setup.h"

namespace prismcrate {
namespace {

QLocale russian() {
    return QLocale(QLocale::Russian, QLocale::Russia);
}

QString number(std::uint64_t n) {
    return russian().toString(static_cast<qulonglong>(n));
}

QString secondsText(double seconds) {
    return russian().toString(seconds, 'f', 1) + QStringLiteral("\u00A0с");
}

QString limitText(solver::StopReason reason) {
    if (reason == solver::StopReason::Time)
        return QStringLiteral("%1\u00A0с").arg(static_cast<int>(kSearchLimits.seconds));
    return QStringLiteral("%1\u00A0МБ").arg(kSearchLimits.memoryBytes >> 20);
}

}  // namespace

QString countOf(std::uint64_t n, const char* one, const char* few, const char* many) {
    const std::uint64_t tens = n % 100, units = n % 10;
    const char* word = many;
    if (units == 1 && tens != 11)
        word = one;
    else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        word = few;
    return number(n) + QChar(0x00A0) + QString::fromUtf8(word);
}

QString checkHeadline(const solver::Result& result) {
    switch (result.status) {
        case solver::Status::Solved:
            return result.moveCount == 0 ? QStringLiteral("Уровень решён сразу при запуске.")
                                         : QStringLiteral("Уровень решаем.");
        case solver::Status::Unsolvable:
            return QStringLiteral("Уровень нерешаем.");
        case solver::Status::Unknown:
            break;
    }
    switch (result.stoppedBy) {
        case solver::StopReason::Time:
            return QStringLiteral("Решение не найдено за %1.").arg(limitText(result.stoppedBy));
        case solver::StopReason::Memory:
            return QStringLiteral("Решение не найдено: поиску не хватило %1 памяти.")
                .arg(limitText(result.stoppedBy));
        default:
            return QStringLiteral("Решение не найдено.");
    }
}

QString checkDetails(const solver::Result& result) {
    const QString explored = QStringLiteral("Просмотрено позиций: %1 за %2.")
                                 .arg(number(result.states), secondsText(result.seconds));
    switch (result.status) {
        case solver::Status::Solved: {
            if (result.moveCount == 0) return QStringLiteral("Ни одного хода не нужно.");
            const QString moves =
                countOf(static_cast<std::uint64_t>(result.moveCount), "ход", "хода", "ходов");
            const QString pushes = countOf(static_cast<std::uint64_t>(result.pushCount), "толчок",
                                           "толчка", "толчков");
            QString line;
            if (!result.optimal)
                line = QStringLiteral(
                           "Найдено решение: %1, из них %2; кратчайшее ли оно, не "
                           "доказано.")
                           .arg(moves, pushes);
            else if (result.metric == solver::Metric::Moves)
                line = QStringLiteral("Наименьшее число ходов: %1, из них %2.").arg(moves, pushes);
            else if (result.movesOptimal)
                line = QStringLiteral(
                           "Наименьшее число толчков: %1; при нём наименьшее число "
                           "ходов: %2.")
                           .arg(pushes, moves);
            else
                line = QStringLiteral(
                           "Наименьшее число толчков: %1; ходов: %2 (наименьшее ли это "
                           "число, не проверено).")
                           .arg(pushes, moves);
            return line + QLatin1Char('\n') + explored;
        }
        case solver::Status::Unsolvable:
            if (result.states == 0)
                return QStringLiteral("Это видно уже по начальной позиции, без перебора.");
            return QStringLiteral(
                       "Перебраны все достижимые позиции (%1): ни одна не ведёт к победе.")
                .arg(number(result.states));
        case solver::Status::Unknown:
            break;
    }
    return explored + QStringLiteral("\nУровень может оказаться решаемым: поиск не закончен.");
}

QString checkProgress(std::uint64_t states, double seconds) {
    return QStringLiteral("Просмотрено позиций: %1; прошло %2.")
        .arg(number(states), secondsText(seconds));
}

TSolveForm::TSolveForm(QWidget* parent) : QDialog(parent) {
    setUpForm(*this, QStringLiteral("Проверка решаемости"), FormBorder::DialogWithClose,
              QSize(340, 125));
    Label1 = new QLabel(this);
    Label1->setGeometry(8, 8, 324, 32);
    Label1->setWordWrap(true);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label2 = new QLabel(this);
    Label2->setGeometry(8, 40, 324, 48);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Button1 = new QPushButton(QStringLiteral("Показать решение"), this);
    Button1->setGeometry(8, 94, 130, 23);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setGeometry(257, 94, 75, 23);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(8, 96, 240, 18);
    ProgressBar1->setRange(0, 0);  // no end known: it only shows that the search goes on
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    connect(Button1, &QPushButton::clicked, this, &TSolveForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSolveForm::Button2Click);
}

void TSolveForm::showSearching() {
    searching_ = true;
    Label1->setText(QStringLiteral("Идёт поиск решения..."));
    Label2->setText(checkProgress(0, 0));
    Button1->hide();
    ProgressBar1->show();
    Button2->setText(QStringLiteral("Отмена"));
    Button2->setDefault(true);
}

void TSolveForm::showProgress(std::uint64_t states, double seconds) {
    if (searching_) Label2->setText(checkProgress(states, seconds));
}

void TSolveForm::showResult(const solver::Result& result) {
    searching_ = false;
    ProgressBar1->hide();
    Label1->setText(checkHeadline(result));
    Label2->setText(checkDetails(result));
    Button2->setText(QStringLiteral("Закрыть"));
    const bool playable = result.status == solver::Status::Solved && result.moveCount > 0;
    Button1->setVisible(playable);
    (playable ? Button1 : Button2)->setDefault(true);
    (playable ? Button1 : Button2)->setFocus();
}

void TSolveForm::showError(const QString& text) {
    searching_ = false;
    ProgressBar1->hide();
    Label1->setText(QStringLiteral("Проверка не удалась."));
    Label2->setText(text);
    Button1->hide();
    Button2->setText(QStringLiteral("Закрыть"));
}

void TSolveForm::Button1Click() {
    if (onPlay) onPlay();
}

void TSolveForm::Button2Click() {
    reject();
}

void TSolveForm::reject() {
    hide();
    if (onClose) onClose();
}

}  // namespace prismcrate

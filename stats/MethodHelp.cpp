#include "stats/MethodHelp.h"

#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/Translate.h"
#include "stats/StatList.h"

#include <map>
#include <set>

namespace zorb {

namespace {

struct TMethodText {
    const char* Value;  // what one value of the method is
    const char* Filter; // which combinations a selected value keeps or removes
};

// Per method code as the class declares it.
const std::map<std::string, TMethodText>& MethodTexts() {
    static const std::map<std::string, TMethodText> texts = {
        {"NUMS",
         {"Каждое выпавшее число тиража (от 1 до 52); тираж даёт шесть значений.",
          "Комбинация подходит, если содержит хотя бы одно из выделенных чисел."}},
        {"DIGS",
         {"Каждая десятичная цифра выпавших чисел: число 23 даёт цифры 2 и 3, число 5 — цифру 5.",
          "Комбинация подходит, если хотя бы одна цифра её чисел выделена."}},
        {"EVEN",
         {"Количество чётных чисел в тираже и количество нечётных, например 2:4.",
          "Комбинация подходит, если в ней столько же чётных чисел, сколько в выделенном значении."}},
        {"EVNV",
         {"Расположение чётных (Ч) и нечётных (н) чисел по позициям тиража и его номер 0..63.",
          "Комбинация подходит, если её числа по порядку дают выделенный рисунок."}},
        {"SMAL",
         {"Количество чисел из первой половины диапазона (1..26) и из второй (27..52).",
          "Комбинация подходит, если в ней столько же чисел первой половины."}},
        {"SMLV",
         {"Расположение чисел первой (1) и второй (2) половины диапазона по позициям тиража.",
          "Комбинация подходит, если её числа по порядку дают выделенный рисунок."}},
        {"PRIM",
         {"Количество простых чисел (1 считается простым) и составных.",
          "Комбинация подходит, если в ней столько же простых чисел."}},
        {"PRMV",
         {"Расположение простых (П) и составных (С) чисел по позициям тиража.",
          "Комбинация подходит, если её числа по порядку дают выделенный рисунок."}},
        {"SUMS", {"Сумма шести чисел тиража, от 21 до 297.", "Комбинация подходит, если её сумма выделена."}},
        {"SUM%d",
         {"Лежит ли сумма тиража в заданном диапазоне или вне его («Остальные»).",
          "Выделенный диапазон оставляет комбинации с суммой в нём, строка «Остальные» — вне его."}},
        {"SUMC",
         {"Какая сумма следовала в окне за суммой, равной сумме последнего тиража, и на сколько она "
          "изменилась.",
          "Комбинация подходит, если её сумма равна одной из выделенных следующих сумм."}},
        {"SUMV",
         {"Изменение суммы от тиража к тиражу, когда предыдущая сумма была близка к сумме последнего тиража.",
          "Комбинация подходит, если её сумма отличается от суммы последнего тиража на выделенную величину."}},
        {"SUMT",
         {"Направление изменения суммы (+, -, =) после суммы, равной сумме последнего тиража.",
          "Комбинация подходит, если её сумма меняется относительно последнего тиража в выделенную сторону."}},
        {"SUME",
         {"Сумма только чётных чисел тиража (0, если их нет).", "Комбинация подходит, если её сумма чётных выделена."}},
        {"SUMP",
         {"Сумма только простых чисел тиража (1 считается простым).",
          "Комбинация подходит, если её сумма простых выделена."}},
        {"S2T3",
         {"Сколько раз одно число тиража равно сумме двух других.",
          "Комбинация подходит, если у неё столько же таких сумм."}},
        {"POS%d",
         {"Число, стоящее на заданной позиции тиража (по порядку выпадения или по возрастанию).",
          "Комбинация подходит, если на той же позиции стоит выделенное число."}},
        {"POE%d", {"Дополнительное число тиража в играх, где оно есть.", "Фильтр по этому методу не применяется."}},
    };
    return texts;
}

std::string Escape(const std::string& s) {
    std::string r;
    for (char c : s) {
        if (c == '<')
            r += "&lt;";
        else if (c == '>')
            r += "&gt;";
        else if (c == '&')
            r += "&amp;";
        else if (c == '"')
            r += "&quot;";
        else
            r += c;
    }
    return r;
}

std::string FlagMeaning(char letter) {
    switch (letter) {
    case 'S': return Tr("значение зависит от порядка чисел, поэтому меняется с настройкой «Упорядочить MIN->MAX»");
    case 'N': return Tr("значение комбинации зависит только от её чисел: метод сравнивается с полным набором комбинаций");
    case 'D': return Tr("для значения нужен ещё последний тираж окна");
    case 'P': return Tr("метод периодов: ответ зависит от режима фильтра");
    case 'G': return Tr("метод строит график по тиражам");
    default: return "";
    }
}

} // namespace

std::string HelpPageName(const TStatList& list, int entry) {
    const TStatMethod& m = list.Method(entry);
    return Format("Filters_%.4d_%s.htm", 1049, m.StatClass->HelpCodeOf(m.Param));
}

std::string MethodHelpPage(const TStatList& list, int entry) {
    const TStatMethod& m = list.Method(entry);
    const TStatClass& c = *m.StatClass;
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + Escape(c.CaptionOf(m.Param)) +
                       "</title></head><body>\n";
    html += "<h2>" + Escape(c.CaptionOf(m.Param)) + "</h2>\n";
    html += Tr("<p>Код метода: <b>") + Escape(c.CodeOf(m.Param)) + Tr("</b><br>Группа: ") + Escape(GroupCaption(c.Group)) +
            "</p>\n";
    auto it = MethodTexts().find(c.Code);
    if (it != MethodTexts().end()) {
        html += Tr("<h3>Значения</h3>\n<p>") + Escape(Tr(it->second.Value)) + "</p>\n";
        html += Tr("<h3>Фильтр</h3>\n<p>") + Escape(Tr(it->second.Filter)) +
                Tr(" Действие «Оставить выделенные» оставляет такие комбинации в списке, «Удалить выделенные» — "
                   "удаляет их.</p>\n");
    }
    const std::string letters = FlagLetters(c.FullFlags());
    if (!letters.empty()) {
        html += Tr("<h3>Особенности [ ") + letters + " ]</h3>\n<ul>\n";
        for (char l : letters) html += "<li><b>" + std::string(1, l) + "</b> — " + FlagMeaning(l) + "</li>\n";
        html += "</ul>\n";
    }
    html += "</body></html>\n";
    return html;
}

int WriteHelpPages(const TStatList& list, const std::string& dir) {
    ForceDirectories(dir);
    std::set<std::string> written;
    for (int i = 0; i < list.MethodCount(); ++i) {
        const std::string name = HelpPageName(list, i);
        if (!written.insert(name).second) continue; // one page per help code (POS1..POS6 share "POSx")
        WriteFileAtomic(JoinPath(dir, name), MethodHelpPage(list, i));
    }
    return static_cast<int>(written.size());
}

} // namespace zorb

#include <clocale>
#include <limits>

#include "console.h"

const char wait_prompt[] = "Нажмите любую клавишу для выхода...";

void select_russian_locale()
{
	// The result is deliberately ignored: without the Russian locale the
	// dialogue still works, only with a full stop for the decimal point.
	setlocale(LC_ALL, russian_locale);
}

// A failed read leaves NaN rather than a number that looks plausible, so
// every entry of the report that depends on the missing input shows nan.
// The C library leaves the value alone on failure; the check makes that
// explicit.
static void ask(const char *prompt, float &value)
{
	value = std::numeric_limits<float>::quiet_NaN();
	say(prompt);
	say("\n");
	flush_output();
	if (!read_number(value))
		value = std::numeric_limits<float>::quiet_NaN();
}

void read_inputs(Stage &s)
{
	ask("Введите сопротивление нагрузки в Омах", s.Rn);
	ask("Введите напряжение питания усилителя в Вольтах", s.U);
	ask("Введите минимальное напряжение на транзисторе в Вольтах", s.Ut0);
}

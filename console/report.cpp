#include "console.h"

// The labels are padded so that, with a tab stop every eight columns, the
// numbers of entries 2 to 7 start in column 49 and those of entries 8 to 13
// in column 65.  Every Cyrillic letter takes one column, so the padding
// counts characters, not the bytes of their UTF-8 encoding.
void print_report(const Stage &s, const ReportValues &r)
{
	say("\n\nОптимальное сопротивление балластного резистора Ом %f\n\n\n", reported(s.Rb));
	say("Потребляемый  ток А                      \t%f\n\n", reported(s.Ip));
	say("Максимальный импульсный ток нагрузки А   \t%f\n\n", r.load_pulse_current);
	say("Максимальный импульсный ток транзистора А\t%f\n\n\n", r.transistor_pulse_current);
	say("\nНапряжение покоя на транзисторе В          \t%f\n\n", r.transistor_rest_voltage);
	say("Напряжение покоя на балластном резисторе В   \t%f\n\n", r.ballast_rest_voltage);
	say("Максимальная амплитуда выходного напряжения В\t%f\n\n\n\n", reported(s.Ut));
	say("Максимальная синусоидальная выходная мощность на нагрузке Вт    %f\n\n", reported(s.Pv));
	say("Мощность потребляемая усилителем Вт                             %f\n\n", reported(s.Pp));
	say("Мощность рассеиваемая на балластном резисторе в режиме покоя Вт %f\n\n", reported(s.Prp));
	say("Максимальная мощность рассеиваемая на балластном резисторе\n"
	    "                                     переменной составляющей Вт %f\n\n", reported(s.Prs));
	say("Максимальная мощность рассеиваемая на балластном резисторе Вт   %f\n\n", reported(s.Pb));
	say("Максимальная мощность рассеиваемая на транзисторе Вт            %f\n\n\n", reported(s.Pt));
	say("КПД усилителя %% %f\n\n", reported(s.KPD));
	flush_output();
}

#include <cstdio>

#include "console.h"

// The labels are padded so that, with a tab stop every eight columns, the
// numbers of entries 2 to 7 start in column 49 and those of entries 8 to 13
// in column 65.  Every Cyrillic letter takes one column, so the padding
// counts characters, not the bytes of their UTF-8 encoding.
void print_report(const Stage &s, const ReportValues &r)
{
	printf("\n\nОптимальное сопротивление балластного резистора Ом %f\n\n\n", double(s.Rb));
	printf("Потребляемый  ток А                      \t%f\n\n", double(s.Ip));
	printf("Максимальный импульсный ток нагрузки А   \t%f\n\n", r.load_pulse_current);
	printf("Максимальный импульсный ток транзистора А\t%f\n\n\n", r.transistor_pulse_current);
	printf("\nНапряжение покоя на транзисторе В          \t%f\n\n", r.transistor_rest_voltage);
	printf("Напряжение покоя на балластном резисторе В   \t%f\n\n", r.ballast_rest_voltage);
	printf("Максимальная амплитуда выходного напряжения В\t%f\n\n\n\n", double(s.Ut));
	printf("Максимальная синусоидальная выходная мощность на нагрузке Вт    %f\n\n", double(s.Pv));
	printf("Мощность потребляемая усилителем Вт                             %f\n\n", double(s.Pp));
	printf("Мощность рассеиваемая на балластном резисторе в режиме покоя Вт %f\n\n", double(s.Prp));
	printf("Максимальная мощность рассеиваемая на балластном резисторе\n"
	       "                                     переменной составляющей Вт %f\n\n", double(s.Prs));
	printf("Максимальная мощность рассеиваемая на балластном резисторе Вт   %f\n\n", double(s.Pb));
	printf("Максимальная мощность рассеиваемая на транзисторе Вт            %f\n\n\n", double(s.Pt));
	printf("КПД усилителя %% %f\n\n", double(s.KPD));
	fflush(stdout);
}

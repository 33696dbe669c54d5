/*
 * The least a program can do to give the same answers: the same locale, the
 * same reads, the same extended-precision arithmetic and the same number of
 * printf calls, in plain C.  The start-up test holds ampstage to its cost.
 */
#include <locale.h>
#include <stdio.h>

static float ask(const char *prompt)
{
	float value = 0;
	puts(prompt);
	fflush(stdout);
	if (scanf("%f", &value) != 1)
		value = 0;
	return value;
}

int main(void)
{
	setlocale(LC_ALL, "ru_RU.UTF-8");
	long double Rn = ask("Введите сопротивление нагрузки в Омах");
	long double U = ask("Введите напряжение питания усилителя в Вольтах");
	long double Ut0 = ask("Введите минимальное напряжение на транзисторе в Вольтах");
	float Rb = Rn * 1.4142135623730951, Up = U - Ut0;
	float Ut = (Rn * Up) / ((Rn + Rn) + Rb);
	float Ip = (Up - Ut) / (long double)Rb;
	float Pv = (((long double)Ut * Ut) / 2.0) / Rn;
	float Pp = U * Ip;
	double v[14] = { Rb, Ip, Ut / Rn, (Up / (long double)Rb) + (Ut / Rn), Ut0 + Ut,
			 (long double)Up - Ut, Ut, Pv, Pp, (100.0 / (long double)Pp) * Pv };
	for (int i = 0; i < 14; i++)
		printf("Максимальная мощность рассеиваемая на балластном резисторе Вт %f\n\n", v[i]);
	return 0;
}

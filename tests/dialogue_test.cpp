// The whole dialogue through pipes: prompts, report text and layout, and
// what happens to input that is not what the program expects.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program.h"
#include "reference.h"

namespace {

const char *const prompts[] = {
	"Введите сопротивление нагрузки в Омах\n",
	"Введите напряжение питания усилителя в Вольтах\n",
	"Введите минимальное напряжение на транзисторе в Вольтах\n",
};

// The report's formats as the program's users know them, with the length
// of each in characters ("%%" counting as two).
struct Entry {
	const char *format;
	size_t length;
};
const Entry report[] = {
	{ "\n\nОптимальное сопротивление балластного резистора Ом %f\n\n\n", 58 },
	{ "Потребляемый  ток А                      \t%f\n\n", 46 },
	{ "Максимальный импульсный ток нагрузки А   \t%f\n\n", 46 },
	{ "Максимальный импульсный ток транзистора А\t%f\n\n\n", 47 },
	{ "\nНапряжение покоя на транзисторе В          \t%f\n\n", 49 },
	{ "Напряжение покоя на балластном резисторе В   \t%f\n\n", 50 },
	{ "Максимальная амплитуда выходного напряжения В\t%f\n\n\n\n", 52 },
	{ "Максимальная синусоидальная выходная мощность на нагрузке Вт    %f\n\n", 68 },
	{ "Мощность потребляемая усилителем Вт                             %f\n\n", 68 },
	{ "Мощность рассеиваемая на балластном резисторе в режиме покоя Вт %f\n\n", 68 },
	{ "Максимальная мощность рассеиваемая на балластном резисторе\n"
	  "                                     переменной составляющей Вт %f\n\n", 127 },
	{ "Максимальная мощность рассеиваемая на балластном резисторе Вт   %f\n\n", 68 },
	{ "Максимальная мощность рассеиваемая на транзисторе Вт            %f\n\n\n", 69 },
	{ "КПД усилителя %% %f\n\n", 21 },
};

size_t characters(const std::string &utf8)
{
	return size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string replace(std::string text, const std::string &from, const std::string &to)
{
	for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
		text.replace(at, from.size(), to);
	return text;
}

// The complete output expected for one run, written from the prompts, the
// formats and the MPFR model's values, with `point` as decimal separator.
std::string expected_output(float Rn, float U, float Ut0, const char *point = ",")
{
	Stage m = {};
	ReportValues r;
	m.Rn = Rn;
	m.U = U;
	m.Ut0 = Ut0;
	reference_stage(m, r);
	const double values[] = { m.Rb, m.Ip, r.load_pulse_current, r.transistor_pulse_current,
				  r.transistor_rest_voltage, r.ballast_rest_voltage, m.Ut, m.Pv,
				  m.Pp, m.Prp, m.Prs, m.Pb, m.Pt, m.KPD };
	std::string text = std::string(prompts[0]) + prompts[1] + prompts[2];
	for (size_t i = 0; i < std::size(report); i++) {
		std::string number = replace(reference_fixed6(values[i]), ".", point);
		text += replace(replace(report[i].format, "%f", number), "%%", "%");
	}
	return text;
}

bool exited_normally(int status)
{
	return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Report, FormatsHaveTheirLengths)
{
	for (const Entry &e : report)
		EXPECT_EQ(characters(e.format), e.length) << e.format;
}

TEST(Report, WholeOutputMatches)
{
	struct Case {
		const char *typed;
		float Rn, U, Ut0;
	} const cases[] = {
		{ "1000\n12\n1\n", 1000, 12, 1 },
		{ "4,7\n9\n0,65\n", 4.7f, 9, 0.65f },
		{ "8\n3\n5\n", 8, 3, 5 },  // supply below the minimum: minus signs
		{ "33000\n300\n2,5\n", 33000, 300, 2.5f },
	};
	// Also as a program that drives this one would feed it, each number
	// only once its prompt has come through the pipe.
	for (Pace pace : { Pace::all_at_once, Pace::after_each_prompt })
		for (const Case &c : cases) {
			Finished run = run_through_pipes(c.typed, TEST_LOCPATH, pace);
			EXPECT_EQ(run.out, expected_output(c.Rn, c.U, c.Ut0)) << c.typed;
			EXPECT_TRUE(exited_normally(run.status)) << c.typed;
		}
}

// Where each number begins on the screen, counted in characters with a tab
// stop every eight columns: the labels were padded for exactly this.
TEST(Report, NumbersLineUp)
{
	Finished run = run_through_pipes("8\n3\n5\n");
	std::vector<std::string> lines;
	for (size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1)
		lines.push_back(run.out.substr(at, end - at));

	std::vector<size_t> columns;
	for (const std::string &line : lines) {
		size_t column = 1, digits_at = 0;
		for (size_t i = 0; i < line.size() && !digits_at; i++) {
			if (line[i] == '\t')
				column = (column - 1) / 8 * 8 + 9;
			else if ((line[i] == '-' || std::isdigit(static_cast<unsigned char>(line[i]))) &&
				 i > 0 && (line[i - 1] == ' ' || line[i - 1] == '\t'))
				digits_at = column;
			else if ((line[i] & 0xC0) != 0x80)
				column++;
		}
		if (digits_at)
			columns.push_back(digits_at);
	}
	const std::vector<size_t> want = { 52, 49, 49, 49, 49, 49, 49, 65, 65, 65, 65, 65, 65, 17 };
	EXPECT_EQ(columns, want);

	// The report opens with two blank lines under the last prompt, and
	// entry 11 runs over two lines, the second indented by 37 blanks.
	auto last_prompt = std::find(lines.begin(), lines.end(), "Введите минимальное напряжение на транзисторе в Вольтах");
	ASSERT_NE(last_prompt, lines.end());
	EXPECT_EQ(last_prompt[1], "");
	EXPECT_EQ(last_prompt[2], "");
	auto continued = std::find_if(lines.begin(), lines.end(), [](const std::string &l) {
		return l.find("переменной составляющей") != std::string::npos;
	});
	ASSERT_NE(continued, lines.end());
	EXPECT_EQ(continued->find_first_not_of(' '), 37u);
	// Blank lines set the groups apart: 2 after entry 1, then 1,1,2, 1,1,3,
	// then one between each of entries 8 to 13, two before the last.
	std::string shape;
	for (auto l = last_prompt + 1; l != lines.end(); ++l)
		shape += l->empty() ? '_' : 'x';
	EXPECT_EQ(shape, "__x__x_x_x___x_x_x___x_x_x_xx_x_x__x_");
}

TEST(Dialogue, AllThreeNumbersOnOneLine)
{
	Finished run = run_through_pipes("1000 12 1\n");
	EXPECT_EQ(run.out, expected_output(1000, 12, 1));
	EXPECT_TRUE(exited_normally(run.status));
}

// The Russian locale reads "12.5" as 12 and leaves ".5" in the input, where
// the next two reads fail on it: those inputs stay NaN.
TEST(Dialogue, NumberWithFullStop)
{
	Finished run = run_through_pipes("12.5\n12\n1\n");
	EXPECT_EQ(run.out, expected_output(12, NAN, NAN));
	EXPECT_NE(run.out.find("Ом 16,970562\n"), std::string::npos);
	EXPECT_TRUE(exited_normally(run.status));
}

TEST(Dialogue, InputEndsEarly)
{
	for (const char *typed : { "1000\n12\n", "1000\n", "" }) {
		Finished run = run_through_pipes(typed);
		float U = typed[0] && typed[5] ? 12 : NAN;
		float Rn = typed[0] ? 1000 : NAN;
		EXPECT_EQ(run.out, expected_output(Rn, U, NAN)) << '"' << typed << '"';
		EXPECT_TRUE(exited_normally(run.status));
	}
}

// Without the Russian locale the run goes on in "C", with a full stop for
// reading and printing alike.
TEST(Dialogue, FallsBackToCLocale)
{
	Finished run = run_through_pipes("4.7\n9\n0.65\n", EMPTY_LOCPATH);
	EXPECT_EQ(run.out, expected_output(4.7f, 9, 0.65f, "."));
	EXPECT_TRUE(exited_normally(run.status));
}

// No load: 0/0 is the invalid operation, whose result the arithmetic gives
// as the default NaN with its sign bit set, and that is what shows.
TEST(Dialogue, NoLoadShowsNegativeNaN)
{
	Finished run = run_through_pipes("0\n12\n1\n");
	EXPECT_NE(run.out.find("Ом 0,000000\n"), std::string::npos);
	EXPECT_NE(run.out.find("\t-nan\n"), std::string::npos);
	EXPECT_NE(run.out.find("КПД усилителя % -nan\n"), std::string::npos);
	EXPECT_EQ(run.out.find(" nan\n"), std::string::npos);
}

// Input nobody should type: the run still ends normally with a full report.
TEST(Dialogue, HostileInput)
{
	const std::string inputs[] = {
		std::string(1 << 20, '9') + "\n1\n1\n",
		"1e999999\n-1e999999\n1e-999999\n",
		"nan(123)\ninf\n0x1p-149\n",
		std::string("\0\xff\xfe\x1b[2J%n%s%s\n", 14) + std::string(100000, 'x'),
		"-\n+\n,\n",
	};
	for (const std::string &typed : inputs) {
		Finished run = run_through_pipes(typed);
		EXPECT_TRUE(exited_normally(run.status));
		EXPECT_NE(run.out.find("КПД усилителя % "), std::string::npos);
		EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3 + 37);
	}
	// An infinite load makes Ut infinity over infinity: the signs of those
	// NaNs are checked elsewhere, the rest of the text here.
	std::string infinite = run_through_pipes("1e999999\n12\n1\n").out;
	EXPECT_EQ(replace(infinite, "-nan", "nan"), expected_output(INFINITY, 12, 1));
}

// A report that could not be written is a failure, said in one line on
// standard error; an ordinary run says nothing there.
TEST(Dialogue, UnwrittenReportFails)
{
	for (const char *to : { ">/dev/full", ">&-", ">/dev/null" }) {
		const std::string command = "printf '1000\\n12\\n1\\n' | LOCPATH=" TEST_LOCPATH " " AMPSTAGE_BINARY " 2>&1 " + std::string(to);
		FILE *run = popen(command.c_str(), "r");
		ASSERT_NE(run, nullptr);
		std::string said;
		for (int c; (c = fgetc(run)) != EOF;)
			said += char(c);
		const int status = pclose(run);
		const bool fails = std::string(to) != ">/dev/null";
		EXPECT_EQ(WEXITSTATUS(status), fails ? 1 : 0) << to;
		EXPECT_EQ(said.rfind("ampstage: не удалось записать отчёт: ", 0) == 0, fails) << to << said;
		EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), fails ? 1 : 0) << to << said;
	}
}

} // namespace

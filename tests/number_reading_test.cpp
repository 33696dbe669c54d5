// The web page's reading of numbers held against what it imitates: the C
// library's own scanf("%f") under the ru_RU.UTF-8 locale compiled for the
// tests, read after read on the same typed text, as the dialogue reads it.
// A read is compared by whether it converted, the float's bits (NaN signs
// included) and the byte at which the next read starts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "../console/console.h"

namespace {

// The dialogue reads three times; a fourth read shows what the third left.
constexpr int reads = 4;

std::string describe(bool converted, float value, long position)
{
	std::uint32_t bits = 0;
	std::memcpy(&bits, &value, sizeof bits);
	char text[64];
	if (converted)
		std::snprintf(text, sizeof text, "%08x up to %ld; ", unsigned(bits), position);
	else
		std::snprintf(text, sizeof text, "none up to %ld; ", position);
	return text;
}

std::string by_scanf(const std::string &typed, locale_t russian)
{
	FILE *in = fmemopen(const_cast<char *>(typed.data()), typed.size(), "r");
	std::string result;
	uselocale(russian);
	for (int i = 0; i < reads; i++) {
		float value = 0;
		const bool converted = std::fscanf(in, "%f", &value) == 1;
		result += describe(converted, value, std::ftell(in));
	}
	uselocale(LC_GLOBAL_LOCALE);
	std::fclose(in);
	return result;
}

std::string by_page(const std::string &typed)
{
	std::string result;
	std::size_t position = 0;
	for (int i = 0; i < reads; i++) {
		float value = 0;
		const bool converted = read_russian_float(typed, position, value);
		result += describe(converted, value, long(position));
	}
	return result;
}

class NumberReading : public testing::Test {
protected:
	void SetUp() override
	{
		// newlocale keeps a copy of LOCPATH it never frees (glibc 2.36),
		// which the sanitizer build reports; setlocale frees its own, so
		// the locale is loaded as the global one and copied from there.
		setenv("LOCPATH", TEST_LOCPATH, 1);
		ASSERT_NE(setlocale(LC_ALL, "ru_RU.UTF-8"), nullptr) << "no ru_RU.UTF-8 under " TEST_LOCPATH;
		russian = duplocale(LC_GLOBAL_LOCALE);
		setlocale(LC_ALL, "C");
		ASSERT_NE(russian, nullptr);
		ASSERT_STREQ(nl_langinfo_l(RADIXCHAR, russian), ",");
	}

	void TearDown() override
	{
		if (russian != nullptr)
			freelocale(russian);
	}

	void expect_same(const std::string &typed)
	{
		ASSERT_EQ(by_page(typed), by_scanf(typed, russian)) << "typed: " << testing::PrintToString(typed);
	}

	locale_t russian = nullptr;
};

// What a person might type into the page's three fields, one line each.
TEST_F(NumberReading, TypedByHand)
{
	for (const char *typed : {
		     // A full stop ends the number; what it leaves spoils the reads after it.
		     "12.5\n12\n1\n", "1000\n12.5\n1\n",
		     // Words, and words that begin like nan or infinity.
		     "abc\n12\n1\n", "1000\nдвенадцать\n1\n", "1000\n12\nnano\n", "infinite\n12\n1\n",
		     "nax\n12\n1\n", "-nan(1)\nInf\n-INFINITY\n", "infinity\n-inf\nNAN\n",
		     // Empty fields, blanks only, several numbers in one field.
		     "\n12\n1\n", "\n\n\n", " \n \n\t\n", "1000 12 1\n\n\n", "4,7  \n  12,0,5\n\n",
		     "12½\n12\n1\n", "1 000\n12\n1\n", "12\t\n12\n1\n",
		     // Signs, exponents without digits, hexadecimal floats, a second comma.
		     "+4,7\n1e1\n-0,5e-1\n", "1e\n12\n1\n", "1e+\n12\n1\n", "1e3,5\n12\n1\n",
		     "0x1,8p3\n0x\n0x,\n", "0X1P-3\n0x1p+3\n0x,8\n", "-\n,\n+,5\n", "0x1p\n0xg\n0x1,p-\n",
		     // Ties between two floats and either side, the ends of the range.
		     "1000000,03125\n1000000,031250000000000000001\n1000000,03124999999999999999\n",
		     "1,1754942e-38\n3,4028235e38\n3,4028236e38\n",
		     "7,00649232162408535461864791644958065640130970938257885878534141944895541342930300743319094181060791015625e-46\n"
		     "7,0064923216240854e-46\n1e-50\n"})
		expect_same(typed);
}

// Random text from the pieces that steer a read: digits, signs, commas,
// exponent letters, the letters of nan and infinity in both cases, blanks,
// and bytes of longer UTF-8 characters.  Each run takes a new seed, which
// a failure names; NUMBER_READING_SEED set to it replays that run.
TEST_F(NumberReading, RandomText)
{
	static const char *const pieces[] = {
		"0", "1", "5", "9", "12", "007", "0x", "0X", "x", "p", "P", "e", "E", "a", "b", "F",
		"+", "-", ",", ".", " ", "\n", "\t", "\v", "\r", "n", "N", "nan", "i", "I", "inf",
		"INF", "infinity", "iNfInItY", "t", "y", "(", "\xd0\xb0", "\xc2\xa0", "\xe2\x80\xaf",
		"3,4028236e38", "1,4e-45", "0x1p-149", "0x1,fffffep127", "16777217",
	};
	const char *given = std::getenv("NUMBER_READING_SEED");
	const unsigned long seed = given != nullptr ? std::strtoul(given, nullptr, 10) : std::random_device{}();
	SCOPED_TRACE("replay with NUMBER_READING_SEED=" + std::to_string(seed));
	std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
	std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
	std::uniform_int_distribution<int> length(1, 14);
	std::uniform_int_distribution<int> digit('0', '9');
	for (int n = 0; n < 400000; n++) {
		std::string typed;
		for (int k = length(random); k > 0; k--) {
			// Now and then a long run of digits, whose rounding strtof decides.
			if (piece(random) == 0)
				for (int d = length(random) * 3; d > 0; d--)
					typed += char(digit(random));
			typed += pieces[piece(random)];
		}
		expect_same(typed);
		if (HasFatalFailure())
			return;
	}
}

}

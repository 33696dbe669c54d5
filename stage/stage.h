// The quantities of a class-A amplifier stage with a ballast resistor and
// the formulas that derive them from the three values the user gives.
#ifndef AMPSTAGE_STAGE_STAGE_H
#define AMPSTAGE_STAGE_STAGE_H

// Every quantity is held in single precision.  Resistances are in ohms,
// voltages in volts, currents in amperes, powers in watts, KPD in percent.
struct Stage {
	float Rn;   // resistance of the load (input)
	float U;    // supply voltage of the amplifier (input)
	float Ut0;  // minimum voltage across the transistor (input)
	float Rb;   // optimal resistance of the ballast resistor
	float Up;   // supply voltage less the transistor's minimum voltage
	float Ut;   // maximum amplitude of the output voltage
	float Ip;   // current consumed by the stage
	float Pv;   // maximum sinusoidal output power in the load
	float Pp;   // power consumed by the amplifier
	float KPD;  // efficiency of the amplifier
	float Pt;   // maximum power dissipated in the transistor
	float Prp;  // power dissipated in the ballast resistor at rest
	float Prs;  // maximum power in the ballast resistor from the alternating component
	float Pb;   // maximum power dissipated in the ballast resistor
};

// Values worked out for the report only; they are never rounded to single
// precision, so they carry more digits than the quantities they come from.
struct ReportValues {
	double load_pulse_current;        // A
	double transistor_pulse_current;  // A
	double transistor_rest_voltage;   // V
	double ballast_rest_voltage;      // V
};

// Fills in every derived quantity of `s` from its three inputs, and the
// report values from the quantities.  Nothing is checked: a zero, a negative
// value or a NaN among the inputs flows through as IEEE arithmetic gives it.
void compute_stage(Stage &s, ReportValues &r);

// The same calculation for a ballast resistor that is given rather than
// optimal: `s.Rb` is taken as it stands and everything that follows from it
// is filled in by the very formulas compute_stage uses after finding Rb.
void compute_stage_with_ballast(Stage &s, ReportValues &r);

// A quantity as the report prints it: its float widened to double, exactly,
// so that a NaN keeps its sign on every processor.
double reported(float quantity);

// The standard series of resistances, by the number of values in a decade.
enum class Series { E12 = 12, E24 = 24, E96 = 96 };

// The standard resistors on either side of a ballast resistor, within the
// range in which resistors are commonly sold, 0.1 ohm to 100 megohms.
// `below` is the largest standard value not above Rb and `above` the
// smallest not below it; they are equal when Rb is a standard value.  Each
// is the float that a person typing its digits would give the program.
// `found` is false for a Rb that is not a positive finite number, or whose
// neighbours would leave that range.
struct Neighbours {
	bool found;
	float below;
	float above;
};
Neighbours standard_neighbours(float Rb, Series series);

// The least that each part of a stage must withstand, with no margin.
struct Ratings {
	double collector_current;  // A, the transistor's maximum pulse current
	float collector_voltage;   // V, the supply voltage
	float transistor_power;    // W, Pt
	float ballast_power;       // W, Pb
	float ballast_rating;      // W, the next standard power rating; NaN above 100 W
};
Ratings part_ratings(const Stage &s, const ReportValues &r);

// The smallest standard power rating of a resistor (0.125 W to 100 W) at or
// above `watts`; NaN when there is none, or `watts` is NaN.
float power_rating(float watts);

#endif

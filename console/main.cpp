// ampstage: design values of a class-A transistor amplifier stage with a
// ballast resistor, asked for and reported in Russian.
#include "console.h"

int main()
{
	Stage stage;
	ReportValues report;

	select_russian_locale();
	read_inputs(stage);
	compute_stage(stage, report);
	print_report(stage, report);
	if (output_intact())
		wait_for_key();
	return exit_status();
}

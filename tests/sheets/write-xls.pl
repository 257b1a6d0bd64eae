#!/usr/bin/perl
# Writes the legacy .xls workbook the import tests read, as another program
# writes it: write-xls.pl OUT.xls
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $book = Spreadsheet::WriteExcel->new($ARGV[0]) or die "cannot write $ARGV[0]: $!";
my $date = $book->add_format(num_format => 'yyyy-mm-dd');
my $stamp = $book->add_format(num_format => 'yyyy-mm-dd hh:mm:ss');
my $clock = $book->add_format(num_format => 'hh:mm:ss');
my @fields = qw(ID IPAddress MACAddress HostName Workgroup User Department Location laninterface Comments);

# Ten columns as the record export lays them out, with numbers and dates in cells.
my $records = $book->add_worksheet('Records');
$records->write_row(0, 0, \@fields);
$records->write_number(1, 0, 1);
$records->write_string(1, $_ + 1, ('10.0.0.1', '00-0A-E4-20-53-55', 'pc-one', 'WORKGROUP', 'alice',
                                   'IT', 'Room 7', 'eth0', "it's")[$_]) for 0 .. 8;
$records->write_number(2, 0, 2);
$records->write_string(2, 1, '10.0.0.2');
$records->write_string(2, 2, '00-0a-e4-20-53-55');
$records->write_number(2, 3, 7);
$records->write_number(2, 4, 7.5);
$records->write_date_time(2, 5, '2024-03-05T', $date);
$records->write_date_time(2, 6, '2024-03-05T10:20:30', $stamp);
$records->write_date_time(2, 7, 'T08:15:00', $clock);
$records->write_number(2, 8, 1234567890123);
$records->write_string(2, 9, 'Büro-ПК');
$records->write_number(3, 0, 3);
$records->write_string(3, 1, '10.0.0.3');
# corner: one cell at the last row and column a BIFF8 sheet has.
$records->write_string(65535, 255, 'far') if ($ARGV[1] // '') eq 'corner';

# Eleven columns: refused as a whole.
my $eleven = $book->add_worksheet('Eleven');
$eleven->write_row(0, 0, [@fields, 'Extra']);
$eleven->write_row(1, 0, [1, '10.0.0.9', '00-0A-E4-20-53-99', 'h', 'w', 'u', 'd', 'l', 'i', 'c', 'x']);

# Ten columns under other names, one of them empty: accepted.
my $renamed = $book->add_worksheet('Other names');
$renamed->write_row(0, 0, ['No', 'Address', 'Hardware', '', 'Group', 'Who', 'Dept', 'Where', 'Port', 'Note']);
$renamed->write_row(1, 0, [9, '10.0.0.10', '00-0A-E4-20-53-10', 'ten', 'w', 'u', 'd', 'l', 'i', 'c']);

$book->close() or die "cannot close $ARGV[0]";

set terminal pngcairo size 1600,900 font ',10'
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.9 border -1
set boxwidth 0.9
set xtics rotate by -35 nomirror
set key top right
set termoption noenhanced
set yrange [0:*]
set ylabel 'fraction of the value+index streaming ceiling (median)'
set grid ytics
set output 'bench-lap2d-1000.png'
set title 'spkernels vs peers on lap2d-1000 (one core)'
plot 'bench-lap2d-1000.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-stencil27-100.png'
set title 'spkernels vs peers on stencil27-100 (one core)'
plot 'bench-stencil27-100.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-random10-50-1M.png'
set title 'spkernels vs peers on random10-50-1M (one core)'
plot 'bench-random10-50-1M.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-rmat-20.png'
set title 'spkernels vs peers on rmat-20 (one core)'
plot 'bench-rmat-20.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-lap2d-64.png'
set title 'spkernels vs peers on lap2d-64 (one core)'
plot 'bench-lap2d-64.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-stencil27-12.png'
set title 'spkernels vs peers on stencil27-12 (one core)'
plot 'bench-stencil27-12.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-random10-50-2k.png'
set title 'spkernels vs peers on random10-50-2k (one core)'
plot 'bench-random10-50-2k.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)
set output 'bench-rmat-12.png'
set title 'spkernels vs peers on rmat-12 (one core)'
plot 'bench-rmat-12.dat' using 2:xtic(1) title columnhead(2), '' using 3 title columnhead(3), '' using 4 title columnhead(4), '' using 5 title columnhead(5), '' using 6 title columnhead(6), '' using 7 title columnhead(7), '' using 8 title columnhead(8)

#!/usr/bin/perl
# Writes COUNT track lists as people write them, list N in OUT/N (001, 002, ...) with the WAV
# files it names, each list drawn from seed N alone:
#   perl genlists.pl WAVKIT OUT FIRST COUNT
# Each directory holds:
#   list    the track list
#   meant   the tracks the list means, one a line as "pregap start-in-file length" (mm:ss:ff,
#           the length * where the file is to be converted first, and so its length not known
#           to the frame); "?" alone where the list means no one disc (a split past its file's
#           end or out of order, a time no one can read, a pregap without a track)
#   about   what the list is made of: its features on the first line, then each file's format,
#           length and chunk layout
# The WAV headers come from wavkit; the audio is a hole, so that a 75-minute mix costs no room.
use strict;
use warnings;

my ($wavkit, $out, $first, $count) = @ARGV;
die "usage: genlists.pl WAVKIT OUT FIRST COUNT\n" unless defined $count;

my @words = qw(Night Drive Glass House Paper Walls Slow Burn Blue Hour Driftwood Static Bloom
  Afterglow Neon Velvet Echoes Tides Orbit Lanterns Sunrise Wobble Gravity Returning Harbour
  Signal Winter Copper Lights Morning River Station Echo Fields Quiet Storm);
my @artists = ('The Night Owls', 'Mara Lind', 'DJ Vantor', 'Copper & Crane', 'Hollow Pines');

sub pick { return $_[ int(rand(@_)) ]; }
sub chance { return rand() < $_[0]; }
sub between { my ($lo, $hi) = @_; return $lo + int(rand($hi - $lo + 1)); }
sub words { return join ' ', map { pick(@words) } 1 .. $_[0]; }

# A weighted choice: pick_weighted(name => weight, ...).
sub pick_weighted {
  my %w = @_;
  my @names = sort keys %w;
  my $total = 0;
  $total += $w{$_} for @names;
  my $r = rand($total);
  for my $n (@names) {
    return $n if ($r -= $w{$n}) < 0;
  }
  return $names[-1];
}

# CD frames as mm:ss:ff.
sub msf {
  my $f = shift;
  return sprintf '%02d:%02d:%02d', int($f / 4500), int($f / 75) % 60, $f % 75;
}

# A text for a title or a performer, now and then one that the sheet cannot carry as it is.
sub text {
  my $plain = shift;
  my $kind = pick_weighted(ascii => 80, accents => 5, japanese => 4, quotes => 4, long => 4,
    empty => 3);
  return $plain if $kind eq 'ascii';
  return "Caf\xc3\xa9 Ol\xc3\xa9 $plain" if $kind eq 'accents';
  return "\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xae\xe5\xa4\x9c" if $kind eq 'japanese';
  return pick("Say \"Hi\" to $plain", "\"$plain\"") if $kind eq 'quotes';
  return "$plain (" . words(14) . ')' if $kind eq 'long';
  return pick('', '""', '  ');
}

# A name of 140 to 150 bytes, as a ripper that puts every tag in the name writes it.
sub long_name {
  my $want = between(140, 150);
  my $stem = pick(@artists) . ' - ' . words(3) . ' - ' . words(20);
  return substr($stem, 0, $want - 4) . '.wav';
}

# The names that read as a file's without their .wav.
my $typed_without_wav =
  qr/^(\d\d [A-Z]|track\d|Stay Clean|Pressure|Sunrise \d|[A-Z][a-z]+\.).*\.wav$/;

sub file_name {
  my ($tags, $n) = @_;
  my $style = pick_weighted(plain => 40, short => 20, initial => 17, long => 9, upper => 5,
    utf8 => 5);
  push @$tags, "name:$style" unless $style eq 'plain' || $style eq 'short';
  return sprintf('%02d %s.wav', $n, words(between(1, 3))) if $style eq 'plain';
  return pick(sprintf('track%02d.wav', $n), pick(@words) . '.wav') if $style eq 'short';
  return long_name() if $style eq 'long';
  return sprintf('%02d %s.%s', $n, words(2), pick('WAV', 'WAV', 'Wav')) if $style eq 'upper';
  return pick("Caf\xc3\xa9 del Mar $n.wav", "\xe5\xa4\x9c $n.wav") if $style eq 'utf8';
  return pick('Stay Clean.wav', 'Pressure.wav', sprintf('s%02d.wav', $n),
    sprintf('p%02d - intro.wav', $n), 'Side A.wav', 'Part 2.wav', "S $n.wav", "P $n.wav",
    'S.wav', sprintf('S%02d.wav', $n), "Sunrise $n.wav", "Pause $n.wav");
}

# A WAV file: its format, its samples and the chunk layout of its head, and what is unusual about
# it in its tags.
sub new_file {
  my ($role, $n) = @_;
  my $tags = [];
  my %f = (role => $role, rate => 44100, channels => 2, bits => 16, layout => 'canonical',
    tags => $tags);
  my $seconds = $role eq 'mix' ? between(3600, 4500)
    : $role eq 'live' ? between(600, 1800)
    : $role eq 'song' ? between(100, 420)
    : between(5, 40);
  if ($role eq 'short') {
    my $format = pick_weighted(cd => 50, hz48 => 20, bits24 => 10, mono => 10, hz22 => 10);
    push @$tags, "format:$format" unless $format eq 'cd';
    $f{rate} = 48000 if $format eq 'hz48';
    $f{rate} = 22050 if $format eq 'hz22';
    $f{bits} = 24 if $format eq 'bits24';
    $f{channels} = 1 if $format eq 'mono';
    # Short enough that the fix script's sox converts it at once.
    $seconds = between(5, 15) if $format ne 'cd';
    $f{layout} = pick_weighted(canonical => 40, data_first => 12, runaway => 12, stray => 10,
      junk_first => 8, comment => 8, odd_data => 10);
    push @$tags, "layout:$f{layout}" unless $f{layout} eq 'canonical';
  } elsif (chance(0.05)) {
    $f{layout} = 'comment';
  }
  $f{samples} = $seconds * $f{rate};
  # Now and then a file that does not end on a CD frame, as a DAW or a decoder leaves it.
  if ($f{rate} == 44100 && chance(0.15)) {
    $f{samples} += between(1, 587);
    push @$tags, 'ends-inside-a-frame';
  }
  $f{name} = file_name($tags, $n);
  return \%f;
}

sub is_cd { my $f = shift; return $f->{rate} == 44100 && $f->{channels} == 2 && $f->{bits} == 16; }

# The CD frames a file takes once it is CD audio; undef where its length is known only once it is
# converted.
sub cd_frames {
  my $f = shift;
  return undef unless is_cd($f);
  return int(($f->{samples} + 587) / 588);
}

# wavkit's header for a format, with no audio: a file's own sizes are set in it where it is
# written. One wavkit run a format, for every list.
my %headers;
sub header {
  my $key = join ' ', @_;
  return $headers{$key} //= do {
    open(my $pipe, '-|', $wavkit, 'header', 0, @_) or die "wavkit: $!";
    binmode $pipe;
    local $/;
    my $h = <$pipe>;
    close $pipe or die "wavkit failed\n";
    $h;
  };
}

# Writes the file: wavkit's header, its chunks moved about for the layouts cdrdao cannot walk, and
# the audio as a hole.
sub write_wav {
  my ($dir, $f) = @_;
  my $frame = $f->{channels} * $f->{bits} / 8;
  my $size = $f->{samples} * $frame;
  my $h = header($f->{rate}, $f->{channels}, $f->{bits},
    $f->{layout} eq 'comment' ? ('ripped by hand') : ());
  # The data chunk's size ends every header wavkit writes.
  substr($h, -4) = pack('V', $size);
  my ($riff, $fmt, $data) = (substr($h, 0, 12), substr($h, 12, 24), substr($h, 36));
  my ($head, $tail) = ('', '');
  if ($f->{layout} eq 'data_first') {
    ($head, $tail) = ($riff . $data, $fmt);
  } elsif ($f->{layout} eq 'runaway') {
    $head = $riff . 'LIST' . pack('V', 0x7fff0000) . $fmt . $data;
  } elsif ($f->{layout} eq 'stray') {
    $head = $riff . "\0\0" . $fmt . $data;
  } elsif ($f->{layout} eq 'junk_first') {
    $head = $riff . 'JUNK' . pack('V', 28) . ("\0" x 28) . $fmt . $data;
  } elsif ($f->{layout} eq 'odd_data') {
    $size += 2;
    $head = $riff . $fmt . 'data' . pack('V', $size);
  } else {
    $head = $h;
  }
  substr($head, 4, 4) = pack('V', length($head) + $size + length($tail) - 8);
  open(my $out, '>', "$dir/$f->{name}") or die "$f->{name}: $!";
  binmode $out;
  print $out $head;
  if ($tail ne '') {
    seek($out, length($head) + $size, 0) or die;
    print $out $tail;
  }
  close $out or die;
  truncate("$dir/$f->{name}", length($head) + $size + length($tail)) or die;
}

# Split starts in CD frames within a file of the given frames, at least min_gap apart and from
# either end, rounded to the unit the style writes.
sub split_starts {
  my ($frames, $k, $unit, $min_gap) = @_;
  my @starts;
  return () if $frames < 3 * $min_gap;
  for (my $tries = 0; @starts < $k && $tries < 200; ++$tries) {
    my $t = between($min_gap, $frames - $min_gap);
    # The style writes whole frames, tenths of a second, or whole seconds.
    $t = int(int($t / $unit) * $unit);
    next if grep { abs($_ - $t) < $min_gap } @starts;
    push @starts, $t;
  }
  return sort { $a <=> $b } @starts;
}

# A time written in a style, for a start of the given CD frames.
sub write_time {
  my ($style, $t) = @_;
  my ($m, $s, $f) = (int($t / 4500), int($t / 75) % 60, $t % 75);
  my ($h, $hm) = (int($m / 60), $m % 60);
  return sprintf('%02d:%02d:%02d', $m, $s, $f) if $style eq 'cue';
  return sprintf('%d:%02d:%02d', $m, $s, $f) if $style eq 'cue1';
  return sprintf('%d:%02d', $m, $s) if $style eq 'ms';
  return sprintf('%02d:%02d', $m, $s) if $style eq 'ms2';
  return sprintf('%d:%02d:%02d', $h, $hm, $s) if $style eq 'hms1';
  return sprintf('%02d:%02d:%02d', $h, $hm, $s) if $style eq 'hms2';
  return sprintf('%d:%02d.%02d', $m, $s, $f) if $style eq 'shntool';
  # A start on a tenth of a second is a frame, a part dropped: the tenth is the next one up.
  my $tenth = int(($f * 10 + 74) / 75);
  return sprintf('%d:%02d.%d', $m, $s, $tenth) if $style eq 'decimal';
  return sprintf('%d.%d', int($t / 75), $tenth) if $style eq 'seconds';
  return $h ? sprintf('%dh%02dm%02ds', $h, $hm, $s) : sprintf('%dm%02ds', $m, $s)
    if $style eq 'letters';
  # Past an hour, minutes:seconds lists give hours:minutes:seconds, as the DJ mix's do.
  return $h ? sprintf('%d:%02d:%02d', $h, $hm, $s) : sprintf('%d:%02d', $m, $s)
    if $style eq 'ms_hours';
  die "no style $style";
}

# The CD frames a style can give: whole frames, tenths of a second, or whole seconds.
sub unit_of {
  my $style = shift;
  return 1 if $style =~ /^(cue|cue1|shntool)$/;
  return 7.5 if $style =~ /^(decimal|seconds)$/;
  return 75;
}

# Makes one list in DIR from the current seed.
sub make_list {
  my $dir = shift;
  my (@tags, @lines, @meant, %files);
  my $sure = 1;
  my $titled = chance(0.4);
  my $total = 0;
  my $want = pick_weighted(1 => 15, 2 => 20, 3 => 20, 4 => 15, 5 => 15, 6 => 15);
  my $has_mix = 0;
  my ($previous, $first_done);
  for my $n (1 .. $want) {
    my $role = pick_weighted(song => 50, live => 15, short => 25, mix => $has_mix ? 0 : 10);
    my $f;
    my $again = $previous && $previous->{splits}
      && chance(length($previous->{file}{name}) >= 140 ? 0.7 : 0.12);
    if ($again) {
      $f = $previous->{file};
      $role = $f->{role};
      push @tags, length($f->{name}) >= 140 ? 'named-again-long' : 'named-again';
    } else {
      $f = new_file($role, $n);
      $f->{name} = "$n $f->{name}" while $files{ $f->{name} };
      # cd_frames is undef for audio that is converted first; count such a file at its seconds.
      my $frames = cd_frames($f) // int($f->{samples} * 75 / $f->{rate});
      last if $n > 1 && $total + $frames > 78 * 4500;
      $files{ $f->{name} } = $f;
      push @tags, @{ $f->{tags} };
      $has_mix ||= $role eq 'mix';
    }
    my $frames = cd_frames($f);
    my $known = defined $frames;
    $frames //= int($f->{samples} * 75 / $f->{rate});
    $total += $frames;
    my $long = length($f->{name}) >= 140;
    my $k = $role eq 'mix' ? between(8, 18)
      : $role eq 'live' ? between(2, 6)
      : $role eq 'song' ? ($long ? between(1, 2) : pick_weighted(0 => 70, 1 => 20, 2 => 10))
      : $frames > 1500 && chance(0.2) ? 1 : 0;
    $k = 0 if $again && chance(0.7);
    my $style = $role eq 'mix'
      ? pick_weighted(cue => 20, hms1 => 12, hms2 => 15, ms_hours => 12, shntool => 8,
        decimal => 5, letters => 4, bracket => 8, pasted => 8, numbered => 5)
      : pick_weighted(cue => 32, cue1 => 5, ms => 10, ms2 => 8, hms1 => 5, shntool => 8,
        decimal => 6, seconds => 3, letters => 4, bracket => 4, pasted => 5, numbered => 4);
    # A file named again keeps the length its first line gave it.
    $style = 'cue' if $again && $style eq 'numbered';
    # Times past an hour are written as hours:minutes:seconds in bracketed and pasted lists.
    my $inner = $style eq 'bracket' ? pick($role eq 'mix' ? 'hms2' : 'ms2')
      : $style eq 'pasted' ? ($role eq 'mix' ? pick('ms_hours', 'hms2') : 'ms2')
      : $style;
    $inner = 'ms2' if $style eq 'numbered';
    my $unit = unit_of($inner);
    $unit = 75 if !$known && $unit < 75;
    my @starts;
    if ($style eq 'numbered') {
      # Durations that add up to the file: the file is made a whole number of seconds long.
      @starts = $k ? split_starts($frames - $frames % 75, $k, 75, 20 * 75) : ();
    } else {
      # A mix's tracks last minutes, as records do.
      @starts = $k ? split_starts($frames, $k, $unit, ($role eq 'mix' ? 240 : 20) * 75) : ();
    }
    $k = @starts;
    push @tags, "time:$style" . ($style ne $inner ? "/$inner" : '') if $k;
    @starts = map { int($_) } @starts;
    if ($style eq 'numbered' && $k) {
      $f->{samples} = int($frames / 75) * $f->{rate};
      $frames = int($frames / 75) * 75;
    }
    # Now and then a name typed without its .wav, which only the file beside the list tells from
    # a note, a split or a pregap line; never one a note could well be ("Side A", "Part 2").
    my $line = $f->{name};
    if ($n > 1 && !$again && $line =~ $typed_without_wav && chance($line =~ /^[SP]/ ? 0.3 : 0.05)) {
      $line =~ s/\.wav$//;
      push @tags, $line =~ /^[SP]/ ? 'no-.wav:S-or-P' : 'no-.wav';
    }
    push @lines, $line;
    my @track_starts = (0, @starts);
    my @track_lines;
    # The lines of each track: its own line (none for the file's first, which its WAV line
    # opens), then its title, its performer and its pregap.
    for my $i (0 .. $#track_starts) {
      my $t = $track_starts[$i];
      my $title = words(between(1, 3));
      my @own;
      my $title_said = 0;
      if ($style eq 'numbered' && $k) {
        my $end = $i < $#track_starts ? $track_starts[ $i + 1 ] : $frames;
        push @own, sprintf('%d. %s - %s (%s)', $i + 1, pick(@artists), $title,
          write_time('ms', $end - $t));
        $title_said = 1;
      } elsif ($i > 0 || ($k && ($style eq 'bracket' || $style eq 'pasted') && chance(0.7))
        || ($i == 0 && $k && chance(0.05))) {
        # A line at the file's start too: bracketed and pasted lists begin at 00:00, and now and
        # then a list gives the first track a split line of its own.
        my $time = write_time($inner, $t);
        if ($style eq 'bracket') {
          push @own, "S [$time] " . pick(@artists) . " - $title";
          $title_said = 1;
        } elsif ($style eq 'pasted') {
          push @own, "$time " . pick(@artists) . " - $title";
          $title_said = 1;
        } else {
          my $line = "S $time";
          my $form = pick_weighted(plain => 90, lower => 3, nospace => 4, titled => 3);
          $form = 'titled' if $titled && chance(0.3);
          if ($form eq 'lower') {
            $line = "s $time";
            push @tags, 'lowercase-s';
          } elsif ($form eq 'nospace') {
            $line = "S$time";
            push @tags, 'no-space-after-S';
          } elsif ($form eq 'titled') {
            $line .= " $title";
            $title_said = 1;
            push @tags, 'title-after-time';
          }
          push @own, $line;
        }
      }
      if ($titled && !$title_said && chance(0.9)) {
        push @own, 'TITLE ' . text($title);
      }
      if ($titled && chance(0.2)) {
        push @own, 'PERFORMER ' . text(pick(@artists));
      }
      my $pregap = 0;
      if (chance(0.06)) {
        my $p = pick_weighted(cue => 60, ms => 15, none => 10, lower => 10, frames => 5);
        push @tags, "pregap:$p";
        ($pregap, my $line) = $p eq 'cue' ? (150, 'P 00:02:00')
          : $p eq 'ms' ? (150, 'P 0:02')
          : $p eq 'none' ? (0, 'P 00:00:00')
          : $p eq 'lower' ? (150, 'p 00:02:00')
          : (105, 'P 00:01:30');
        push @own, $line;
      }
      push @track_lines, @own;
      my $end = $i < $#track_starts ? $track_starts[ $i + 1 ] : $frames;
      push @meant, join ' ', msf($pregap), msf($t),
        ($known || $i < $#track_starts) ? msf($end - $t) : '*';
    }
    push @lines, @track_lines;
    # A list made by hand goes wrong here and there: a split past the file's end, splits out of
    # order, a time no one can read, a pregap under a note.
    if ($k && chance(0.06)) {
      my $wrong = pick('past-end', 'not-rising', 'unreadable', 'stray-pregap');
      push @tags, $wrong;
      $sure = 0;
      if ($wrong eq 'past-end') {
        push @lines, 'S ' . write_time('cue', $frames + between(75, 4500));
      } elsif ($wrong eq 'not-rising') {
        push @lines, 'S ' . write_time('cue', int($starts[0] / 2));
      } elsif ($wrong eq 'unreadable') {
        push @lines, 'S 66:80 Dawn';
      } else {
        push @lines, '# the next one is long', 'P 00:02:00';
      }
    }
    $previous = { file => $f, splits => $k };
    $first_done //= @lines;
    # Notes between files, some of them starting with S or P as people write them.
    if (chance(0.08)) {
      push @lines, '# ' . words(3);
      push @tags, 'note';
    }
    if (chance(0.03)) {
      push @lines, pick('Side B', 'Part two', 'Set 2 starts here', 'Pause', 'Second half');
      push @tags, 'note-with-S-or-P';
    }
  }
  if ($titled || chance(0.05)) {
    my @disc;
    push @disc, 'DISC TITLE ' . text(words(2)) if chance(0.85);
    push @disc, 'DISC PERFORMER ' . text(pick(@artists)) if chance(0.85);
    # At the end, or between the first file's lines and the next file's.
    if (chance(0.5)) { push @lines, @disc; } else { splice(@lines, $first_done, 0, @disc); }
  }
  # Blank lines, and the list's bytes as editors leave them.
  @lines = map { chance(0.04) ? ($_, '') : ($_) } @lines;
  my $end = pick_weighted(lf => 80, crlf => 15, cr => 5);
  push @tags, "line-ends:$end" unless $end eq 'lf';
  my $eol = { lf => "\n", crlf => "\r\n", cr => "\r" }->{$end};
  my $text = join($eol, @lines) . (chance(0.9) ? $eol : '');
  if (chance(0.03)) {
    $text .= "\0";
    push @tags, 'nul-at-end';
  } elsif (chance(0.03) && @lines > 2) {
    # A NUL byte on a line of its own in the middle, as a bad copy leaves it.
    substr($text, length(join($eol, @lines[0 .. int(@lines / 2)]) . $eol), 0) = "\0$eol";
    push @tags, 'nul-inside';
  }
  if (chance(0.03)) {
    $text = "\xef\xbb\xbf$text";
    push @tags, 'byte-order-mark';
  }
  open(my $list, '>', "$dir/list") or die;
  binmode $list;
  print $list $text;
  close $list or die;
  write_wav($dir, $_) for values %files;
  open(my $m, '>', "$dir/meant") or die;
  print $m $sure ? map { "$_\n" } @meant : "?\n";
  close $m or die;
  open(my $about, '>', "$dir/about") or die;
  my %seen;
  print $about join(' ', grep { !$seen{$_}++ } @tags) || 'plain', "\n";
  for my $name (sort keys %files) {
    my $f = $files{$name};
    my $part = $f->{samples} * 75 % $f->{rate} ? ' and a part' : '';
    printf $about "%s: %d Hz, %d channels, %d bits, %d samples (%s%s), %s\n", $name, $f->{rate},
      $f->{channels}, $f->{bits}, $f->{samples}, msf(int($f->{samples} * 75 / $f->{rate})), $part,
      $f->{layout};
  }
  close $about or die;
}

for my $n ($first .. $first + $count - 1) {
  srand($n);
  my $dir = sprintf('%s/%03d', $out, $n);
  mkdir $dir or die "$dir: $!";
  make_list($dir);
}

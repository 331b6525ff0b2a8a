-- The journal's own tables.
--
-- Written as what the tables are, so the file also runs on a database that holds them from an
-- earlier version: what is there stays, what is missing is added. Columns an earlier version
-- lacked are added by its upgrade steps (db/upgrade), which run before this file.
--
-- Keys are assigned by the database. smena.w_id and i_id carry no foreign keys
-- on purpose: the journal keeps positions whose worker or product has gone; the
-- journal views simply do not show them. The key of o_id (below the tables)
-- checks only what is written from now on.

create schema if not exists accounts_dep;

create table if not exists accounts_dep.izdel (
    id    t_id primary key,                -- the product's ERP goods id
    marka varchar(50),
    nom   varchar(100),
    massa double precision                 -- boxes per piece
);

create table if not exists accounts_dep.vid_oper (
    id  serial primary key,
    vid varchar(50) not null
);
-- Operation type names are unique regardless of letter case.
create unique index if not exists vid_oper_upper_vid on accounts_dep.vid_oper (upper(vid));

-- No foreign key to izdel: deleting a product leaves its operations as they
-- are. The key to vid_oper follows the tables.
create table if not exists accounts_dep.oper (
    id       serial primary key,
    vid      integer,
    naimen   smallint,
    i_id     integer,
    i_id_old integer,
    cena_new double precision,
    cena     numeric,
    unique (vid, naimen, i_id)
);
create index if not exists oper_i_id on accounts_dep.oper (i_id);
create index if not exists oper_i_id_old on accounts_dep.oper (i_id_old);

create table if not exists accounts_dep.norm (
    id    serial primary key,
    o_id  integer not null references accounts_dep.oper(id) on delete cascade,
    norma integer,
    price double precision,
    prize integer
);
create index if not exists norm_o_id on accounts_dep.norm (o_id);

-- The operations list shows only operations with a norm step, and the program
-- inserts an operation alone with its starting price: give it that step.
create or replace function accounts_dep.oper_first_norm() returns trigger
language plpgsql as $$
begin
    insert into accounts_dep.norm (o_id, norma, price, prize)
    values (new.id, 0, coalesce(new.cena_new, 0), 0);
    return null;
end $$;

create or replace trigger oper_first_norm after insert on accounts_dep.oper
    for each row execute function accounts_dep.oper_first_norm();

create table if not exists accounts_dep.smena (
    id            serial primary key,
    data          date not null,
    smena         smallint not null,
    w_id          integer,
    i_id          integer,
    o_id          integer,
    cena          double precision,
    kol_vo        double precision,
    brak          smallint default 0,
    time          integer default 0,
    color         integer default 0,
    ok            varchar(255) default 'no',
    vvod          timestamp default now(),
    prize         double precision default 0,
    id_doc        t_id default 0,
    id_doc_item   t_id default 0,
    f_gds_qty_use double precision default 0,
    id_gds_use    t_id default 0,
    id_cons_use   t_id default 0,
    -- a brigade member's copy: the position it was divided from, whose materials it shares
    id_smena_from integer references accounts_dep.smena(id) on delete set null
);
-- journal of a date and shift; reports over a date range
create index if not exists smena_data_smena on accounts_dep.smena (data, smena);
-- hours roll-up of a worker's date and shift
create index if not exists smena_worker_day on accounts_dep.smena (w_id, smena, data);
-- quantities already made against a requisition line
create index if not exists smena_doc_item on accounts_dep.smena (id_doc_item) where id_doc_item <> 0;
-- a deleted position lets go of its copies without reading the whole journal
create index if not exists smena_from on accounts_dep.smena (id_smena_from) where id_smena_from is not null;

create table if not exists accounts_dep.h_tabel (
    id    serial primary key,
    w_id  integer not null,
    smena smallint not null,
    month smallint not null check (month between 1 and 12),
    year  smallint not null,
    d1  smallint not null default 0, d2  smallint not null default 0,
    d3  smallint not null default 0, d4  smallint not null default 0,
    d5  smallint not null default 0, d6  smallint not null default 0,
    d7  smallint not null default 0, d8  smallint not null default 0,
    d9  smallint not null default 0, d10 smallint not null default 0,
    d11 smallint not null default 0, d12 smallint not null default 0,
    d13 smallint not null default 0, d14 smallint not null default 0,
    d15 smallint not null default 0, d16 smallint not null default 0,
    d17 smallint not null default 0, d18 smallint not null default 0,
    d19 smallint not null default 0, d20 smallint not null default 0,
    d21 smallint not null default 0, d22 smallint not null default 0,
    d23 smallint not null default 0, d24 smallint not null default 0,
    d25 smallint not null default 0, d26 smallint not null default 0,
    d27 smallint not null default 0, d28 smallint not null default 0,
    d29 smallint not null default 0, d30 smallint not null default 0,
    d31 smallint not null default 0,
    -- two workstations must not create two rows for one worker's month
    unique (w_id, smena, month, year)
);
create index if not exists h_tabel_month on accounts_dep.h_tabel (year, month);

-- A type or operation in use cannot be deleted, and no write may name one that
-- is gone: the operation or position would vanish from every list while its
-- hours stay in the timesheet. Only the server sees both workstations at once,
-- so keys hold it. NOT VALID: the journal keeps old positions whose operation,
-- and operations whose type, went long ago (the views do not show them); no
-- new ones can be made.
select pg_temp.add_constraint('accounts_dep.oper', 'oper_vid_fkey',
    'foreign key (vid) references accounts_dep.vid_oper (id) not valid');
select pg_temp.add_constraint('accounts_dep.smena', 'smena_o_id_fkey',
    'foreign key (o_id) references accounts_dep.oper (id) not valid');
-- the key's check when an operation is deleted, on a plant's years of positions
create index if not exists smena_o_id on accounts_dep.smena (o_id);

-- Consumption and brigade rows belong to their position and go with it.
create table if not exists accounts_dep.smena_gds_use (
    id          serial primary key,
    id_smena    integer not null references accounts_dep.smena(id) on delete cascade,
    id_gds_use  t_id not null,
    f_qty_use   double precision not null default 0,
    id_cons_use t_id
);
create index if not exists smena_gds_use_smena on accounts_dep.smena_gds_use (id_smena);
create index if not exists smena_gds_use_gds on accounts_dep.smena_gds_use (id_gds_use);

create sequence if not exists accounts_dep.person_temp_id_seq;
create table if not exists accounts_dep.person_temp (
    id        t_id primary key default nextval('accounts_dep.person_temp_id_seq'),
    id_smena  integer not null references accounts_dep.smena(id) on delete cascade,
    id_person t_id not null
);
alter sequence accounts_dep.person_temp_id_seq owned by accounts_dep.person_temp.id;
create index if not exists person_temp_smena on accounts_dep.person_temp (id_smena);

-- The version of the journal's side of the database: the highest step of db/upgrade it has
-- been brought to, one row for each install or upgrade that raised it. The program refuses a
-- database of another version than its own.
create table if not exists accounts_dep.schema_version (
    version integer primary key check (version > 0),
    applied timestamptz not null default now()
);

-- Build stamp of the program version the database expects; exactly one row.
create table if not exists accounts_dep.ver (
    d integer not null,
    t integer not null
);
insert into accounts_dep.ver (d, t) select 0, 0 where not exists (select from accounts_dep.ver);

-- A stamp past the server's tomorrow would stop every workstation until a build
-- of that date exists, so no writer may store one, whatever its rights (the
-- start-up account may raise the stamp). Tomorrow itself stays allowed for a
-- workstation whose clock is ahead of the server's. The time is seconds since
-- midnight: a larger one would outrank every build of its date.
create or replace function accounts_dep.ver_stamp_check() returns trigger
language plpgsql as $$
declare
    tomorrow constant integer := to_char(current_date + 1, 'YYYYMMDD')::integer;
begin
    if new.d > tomorrow then
        raise exception 'Дата сборки % позже завтрашней даты сервера (%): метка версии не изменена',
                        new.d, tomorrow
            using errcode = 'check_violation';
    end if;
    if new.t not between 0 and 86399 then
        raise exception 'Время сборки % вне суток (0..86399): метка версии не изменена', new.t
            using errcode = 'check_violation';
    end if;
    return new;
end $$;

-- The server's own tomorrow, not the session's: current_date follows the session's time zone,
-- which any client may set, so the check runs in the zone the server had when the database
-- was set up.
alter function accounts_dep.ver_stamp_check() set timezone from current;

create or replace trigger ver_stamp_check before insert or update on accounts_dep.ver
    for each row execute function accounts_dep.ver_stamp_check();

-- Production requisitions: a document with lines, each line a product in a
-- colour and the quantity to make.

create schema mnf_doc;

create table mnf_doc.doc (
    id       t_id primary key,
    s_number text not null,
    d_date   t_date not null,
    b_closed boolean not null default false
);

create table mnf_doc.doc_item (
    id           t_id primary key,
    id_doc       t_id not null references mnf_doc.doc(id),
    id_gds       t_id not null references cmn_gds_and_srv.gds_and_srv(id),
    id_gds_color t_id not null default 0,    -- colour goods item, 0 for none
    f_qty        numeric(18,3) not null check (f_qty >= 0)
);
create index doc_item_doc on mnf_doc.doc_item (id_doc);
create index doc_item_gds on mnf_doc.doc_item (id_gds, id_gds_color);
